#include "python/src/BlockStream.h"

#include <cstring>

#include "component/ClientMemory.h"
#include "python/src/ComCall.h"

namespace py = pybind11;

namespace tarn::python {

BlockStream::BlockStream(const std::string& path, bool byChannel, const std::vector<LONG>& channels)
    : m_ByChannel(byChannel) {
    client::OpenOptions options;
    options.scan = false;
    options.mode = byChannel ? RF_BlockInterleaved : RF_Interleaved;
    OpenRecording(m_Recording, m_Lock, path, options, false);
    LONG count = 0;
    Check(m_Recording.reader->get_NumberOfChannels(&count), "NumberOfChannels");
    m_Columns = channels.empty() ? static_cast<std::size_t>(count) : channels.size();
    if (channels.empty()) return;
    // The selection takes channel indexes from 0.
    std::vector<std::int32_t> indexes(channels.begin(), channels.end());
    for (std::int32_t& index : indexes) --index;
    VARIANT list;
    component::I4ListToVariant(indexes, &list);
    const HRESULT hr = m_Recording.reader->put_ChannelSelection(list);
    VariantClear(&list);
    Check(hr, "ChannelSelection");
}

py::object BlockStream::Next() {
    IQVRecorderFileReader& reader = *m_Recording.reader.Get();
    LONG ok = 0, start = 0, size = 0;
    VARIANT block;
    VariantInit(&block);
    const HRESULT hr = WithoutGil(m_Lock, [&] {
        HRESULT step = reader.read(&ok);
        if (FAILED(step) || ok == 0) return step;
        if (FAILED(step = reader.get_SampleNumber(&start)) || FAILED(step = reader.get_BlockSize(&size))) return step;
        return reader.getBlock32(&block);
    });
    Check(hr, "read");
    if (ok == 0 || m_Columns == 0) return py::none();
    const std::size_t rows = static_cast<std::size_t>(size) / m_Columns;
    py::array_t<std::int32_t> values(std::vector<std::size_t>{rows * m_Columns});
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(V_ARRAY(&block), &data))) {
        std::memcpy(values.mutable_data(), data, rows * m_Columns * sizeof(std::int32_t));
        SafeArrayUnaccessData(V_ARRAY(&block));
    }
    VariantClear(&block);
    if (data == nullptr) ThrowComError(E_FAIL, "getBlock32");
    // Channel after channel: one row per channel, turned into a column per channel (a view).
    py::object table = m_ByChannel ? values.reshape({m_Columns, rows}).attr("T") : py::object(values.reshape({rows, m_Columns}));
    return py::make_tuple(start, table);
}

}  // namespace tarn::python

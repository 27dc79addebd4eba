#include "python/src/BlockStream.h"

#include <algorithm>
#include <cstring>

#include "component/ClientMemory.h"
#include "python/src/ComCall.h"

namespace py = pybind11;

namespace tarn::python {

BlockStream::BlockStream(const std::string& path, bool byChannel, const std::vector<LONG>& channels)
    : m_ByChannel(byChannel) {
    VariantInit(&m_Block);
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

BlockStream::~BlockStream() { Drop(); }

void BlockStream::Drop() {
    if (m_Values != nullptr) SafeArrayUnaccessData(V_ARRAY(&m_Block));
    VariantClear(&m_Block);
    m_Values = nullptr;
    m_Rows = m_Used = 0;
}

bool BlockStream::Take() {
    Drop();
    IQVRecorderFileReader& reader = *m_Recording.reader.Get();
    LONG ok = 0, size = 0;
    Check(reader.read(&ok), "read");
    if (ok == 0) return false;
    Check(reader.get_SampleNumber(&m_Start), "SampleNumber");
    Check(reader.get_BlockSize(&size), "BlockSize");
    Check(reader.getBlock32(&m_Block), "getBlock32");
    void* data = nullptr;
    if (V_VT(&m_Block) != (VT_ARRAY | VT_I2) || FAILED(SafeArrayAccessData(V_ARRAY(&m_Block), &data)))
        ThrowComError(E_FAIL, "getBlock32");
    m_Values = static_cast<const std::int32_t*>(data);
    m_Rows = static_cast<std::size_t>(std::max<LONG>(size, 0)) / m_Columns;
    return true;
}

py::object BlockStream::Next(std::size_t rows) {
    if (m_Columns == 0) return py::none();
    if (rows == 0) {
        // One block as delivered: its rows are the table's.
        const bool taken = WithoutGil(m_Lock, [&] {
            while (m_Used == m_Rows)
                if (!Take()) return false;
            return true;
        });
        if (!taken) return py::none();
        rows = m_Rows - m_Used;
    }
    py::array_t<std::int32_t> values(std::vector<std::size_t>{rows * m_Columns});
    std::int32_t* out = values.mutable_data();
    std::size_t filled = 0;
    LONG start = 0;
    WithoutGil(m_Lock, [&] {
        while (filled < rows && (m_Used < m_Rows || Take())) {
            const LONG next = m_Start + static_cast<LONG>(m_Used);
            if (filled == 0) start = next;
            else if (next != start + static_cast<LONG>(filled)) break;  // a gap ends the table
            const std::size_t n = std::min(rows - filled, m_Rows - m_Used);
            if (m_ByChannel) {
                for (std::size_t c = 0; c < m_Columns; ++c)
                    std::memcpy(out + c * rows + filled, m_Values + c * m_Rows + m_Used, n * sizeof(std::int32_t));
            } else {
                std::memcpy(out + filled * m_Columns, m_Values + m_Used * m_Columns, n * m_Columns * sizeof(std::int32_t));
            }
            filled += n;
            m_Used += n;
        }
        return 0;
    });
    if (filled == 0) return py::none();
    const auto columns = static_cast<py::ssize_t>(m_Columns), used = static_cast<py::ssize_t>(filled);
    // Channel after channel: one row per channel, turned into a column per channel (a view).
    py::object table = m_ByChannel
        ? values.reshape({columns, static_cast<py::ssize_t>(rows)})[py::make_tuple(py::slice(0, columns, 1), py::slice(0, used, 1))].attr("T")
        : values[py::slice(0, used * columns, 1)].attr("reshape")(used, columns);
    // A table cut short by a gap does not hold on to the room it did not fill.
    if (2 * filled < rows) table = table.attr("copy")();
    return py::make_tuple(start, table);
}

}  // namespace tarn::python

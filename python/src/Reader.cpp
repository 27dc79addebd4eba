#include "python/src/Reader.h"

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "component/ClientMemory.h"
#include "format/LittleEndian.h"
#include "format/RecordingLayout.h"
#include "python/src/ClientArray.h"
#include "python/src/ComCall.h"
#include "setup/BstrText.h"

namespace py = pybind11;

namespace tarn::python {

namespace {

py::object TextOrNone(BSTR text) {
    const UniqueBstr owned(text);
    if (text == nullptr) return py::none();
    return py::cast(BstrText(text));
}

// A DC block as stored: header, n channel entries, n 32-bit values.
py::tuple DecodeDCBlock(LONG channel, LONG index, const std::vector<unsigned char>& block) {
    const unsigned char* bytes = block.data();
    if (block.size() < layout::kBlockHeaderLength) ThrowComError(E_FAIL, "a DC block is cut short");
    const layout::BlockHeader header = layout::BlockHeader::Decode(bytes);
    const std::size_t entries = header.NoOfChannels;
    if (block.size() < layout::kBlockHeaderLength + entries * (layout::kChannelEntryLength + layout::kDCValueLength))
        ThrowComError(E_FAIL, "a DC block is cut short");
    py::list values;
    const unsigned char* value = bytes + layout::kBlockHeaderLength + entries * layout::kChannelEntryLength;
    for (std::size_t k = 0; k < entries; ++k) {
        const layout::ChannelEntry entry = layout::ChannelEntry::Decode(bytes + layout::kBlockHeaderLength + k * layout::kChannelEntryLength);
        values.append(py::make_tuple(layout::ChannelKey(header.FE_Frame_ID, entry.ID), le::ReadS32(value + k * layout::kDCValueLength)));
    }
    return py::make_tuple(channel, index, header.SampleNo, values);
}

// Runs a retrieval that hands out a block of values (call sets how many) and gives the block to
// an array.
template <class Value, class Call>
py::array Retrieve(std::mutex& lock, const char* what, Call&& call) {
    Value* raw = nullptr;
    std::size_t count = 0;
    const HRESULT hr = WithoutGil(lock, [&] { return call(&raw, count); });
    if (FAILED(hr)) {
        CoTaskMemFree(raw);
        ThrowComError(hr, what);
    }
    return AdoptClientArray(raw, raw == nullptr ? 0 : count);
}

// Samples [start, stop) of a channel (GetSamples or GetSamples32Bit) as an array; lastsampleread
// tells how far each copy got. A range of one piece is the component's block itself; a longer one
// is read in calls of at most piece samples, each copied into one array made first and its block
// given back at once (no copy of the whole), up to the first sample the channel lacks.
template <class Value, class Interface>
py::array RetrieveSamples(std::mutex& lock, IQVRecorderFileReader2& reader, const char* what,
                          HRESULT (STDMETHODCALLTYPE Interface::*get)(LONG, LONG, LONG, LONG*, Value**), LONG channel,
                          LONG start, LONG stop, LONG piece) {
    if (stop - start <= piece) {
        return Retrieve<Value>(lock, what, [&](Value** raw, std::size_t& count) {
            LONG last = start - 1;
            const HRESULT hr = (reader.*get)(channel, start, stop, &last, raw);
            count = last >= start ? static_cast<std::size_t>(last - start) + 1 : 0;
            return hr;
        });
    }
    const auto total = static_cast<std::size_t>(stop - start);
    py::array_t<Value> values(total);
    Value* out = values.mutable_data();
    std::size_t got = 0;
    Check(WithoutGil(lock, [&] {
              for (LONG first = start; first < stop;) {
                  const LONG last = stop - first > piece ? first + piece : stop;
                  LONG lastRead = first - 1;
                  Value* raw = nullptr;
                  const HRESULT hr = (reader.*get)(channel, first, last, &lastRead, &raw);
                  const component::UniqueTaskMem owned(raw);
                  if (FAILED(hr)) return hr;
                  if (raw != nullptr && lastRead >= first) {
                      const auto count = static_cast<std::size_t>(lastRead - first) + 1;
                      std::memcpy(out + got, raw, count * sizeof(Value));
                      got += count;
                  }
                  if (lastRead != last - 1) break;
                  first = last;
              }
              return S_OK;
          }),
          what);
    if (got == total) return values;
    return py::array(values[py::slice(0, static_cast<py::ssize_t>(got), 1)]);
}

// An overview (GetCompressedSamples or GetCompressed32BitSamples) as an array of the values handed out.
template <class Value, class Interface>
py::array RetrieveOverview(std::mutex& lock, IQVRecorderFileReader2& reader, const char* what,
                           HRESULT (STDMETHODCALLTYPE Interface::*get)(ULONG, ULONG, ULONG, ULONG*, Value**),
                           ULONG channel, ULONG count, ULONG start, ULONG stop) {
    return Retrieve<Value>(lock, what, [&](Value** raw, std::size_t& got) {
        const HRESULT hr = (reader.*get)(channel, start, stop, &count, raw);
        got = count;
        return hr;
    });
}

}  // namespace

Reader::Reader(const std::string& path, bool loadRECFile, bool progress) {
    client::OpenOptions options;
    options.loadRECFile = loadRECFile;
    OpenRecording(m_Recording, m_Lock, path, options, progress);
}

// Every call takes the object's lock (WithoutGil): another Python thread may be inside a long one.
void Reader::Close() {
    WithoutGil(m_Lock, [&] { return m_Recording.reader->close(); });
}

LONG Reader::ChannelCount() {
    LONG count = 0;
    Check(WithoutGil(m_Lock, [&] { return m_Recording.reader->get_NumberOfChannels(&count); }), "NumberOfChannels");
    return count;
}

py::object Reader::SampleFrequency() {
    double frequency = 0;
    if (FAILED(WithoutGil(m_Lock, [&] { return m_Recording.reader->get_SampleFrequency(&frequency); }))) return py::none();
    return py::float_(frequency);
}

py::object Reader::Description() {
    BSTR text = nullptr;
    Check(WithoutGil(m_Lock, [&] { return m_Recording.reader->get_Description(&text); }), "Description");
    return TextOrNone(text);
}

py::object Reader::Parameter(LONG section, const std::u16string& key) {
    std::u16string text;
    if (!WithoutGil(m_Lock, [&] { return client::FindParameter(*m_Recording.reader.Get(), key.c_str(), section, text); }))
        return py::none();
    return py::cast(text);
}

py::object Reader::CorrectionFactor(LONG channel) {
    double factor = 0;
    if (FAILED(WithoutGil(m_Lock, [&] { return m_Recording.reader->GetCorrectionFactor(channel, &factor); })))
        return py::none();
    return py::float_(factor);
}

bool Reader::Is32Bit(LONG channel) {
    LONG wide = 0;
    Check(WithoutGil(m_Lock, [&] { return m_Recording.reader->Is32BitData(channel - 1, &wide); }), "Is32BitData");
    return wide != 0;
}

std::pair<LONG, LONG> Reader::SampleRange() {
    LONG first = 0, last = 0;
    Check(WithoutGil(m_Lock, [&] {
              const HRESULT hr = m_Recording.reader2->GetFirstSampleNumber(&first);
              return FAILED(hr) ? hr : m_Recording.reader2->GetLastSampleNumber(&last);
          }),
          "GetFirstSampleNumber/GetLastSampleNumber");
    return {first, last};
}

LONG Reader::ChannelEnd(LONG channel, LONG from) {
    LONG end = 0;
    Check(WithoutGil(m_Lock, [&] { return client::ChannelEnd(*m_Recording.reader2.Get(), channel, from, end); }),
          "GetSamples");
    return end;
}

py::object Reader::RecInfo() {
    LONG size = 0;
    BYTE* block = nullptr;
    const HRESULT hr = WithoutGil(m_Lock, [&] { return m_Recording.reader2->GetRECInfoSection(&size, &block); });
    const component::UniqueTaskMem owned(block);
    if (FAILED(hr) || block == nullptr || size <= 0) return py::none();
    return py::bytes(reinterpret_cast<const char*>(block), static_cast<std::size_t>(size));
}

py::list Reader::DCBlocks(LONG start, LONG stop) {
    // The blocks as stored, fetched under the lock; taken apart afterwards.
    std::vector<std::pair<std::pair<LONG, LONG>, std::vector<unsigned char>>> stored;
    WithoutGil(m_Lock, [&] {
        VARIANT list;
        VariantInit(&list);
        const HRESULT hr = m_Recording.reader2->GetDCChannelIndexes(start, stop, &list);
        const std::vector<std::pair<LONG, LONG>> pairs = client::DCIndexPairs(list);
        VariantClear(&list);
        Check(hr, "GetDCChannelIndexes");
        for (const auto& pair : pairs) {
            LONG size = 0;
            BYTE* block = nullptr;
            const HRESULT got = m_Recording.reader2->GetDCChannelBlock(pair.first, pair.second, &size, &block);
            const component::UniqueTaskMem owned(block);
            Check(got, "GetDCChannelBlock");
            stored.emplace_back(pair, std::vector<unsigned char>(block, block + (block != nullptr && size > 0 ? size : 0)));
        }
        return 0;
    });
    py::list blocks;
    for (const auto& [pair, bytes] : stored) blocks.append(DecodeDCBlock(pair.first, pair.second, bytes));
    return blocks;
}

py::array Reader::Samples(LONG channel, LONG start, LONG stop, bool wide, LONG piece) {
    if (piece < 1 || stop < start) throw py::value_error("a piece holds a sample or more, and stop does not lie before start");
    if (wide) return RetrieveSamples<LONG>(m_Lock, *m_Recording.reader2.Get(), "GetSamples32Bit",
                                           &IQVRecorderFileReader2::GetSamples32Bit, channel, start, stop, piece);
    return RetrieveSamples<short>(m_Lock, *m_Recording.reader2.Get(), "GetSamples", &IQVRecorderFileReader2::GetSamples,
                                  channel, start, stop, piece);
}

py::array Reader::Overview(ULONG channel, ULONG count, ULONG start, ULONG stop, bool wide) {
    if (wide) return RetrieveOverview<LONG>(m_Lock, *m_Recording.reader2.Get(), "GetCompressed32BitSamples",
                                            &IQVRecorderFileReader2::GetCompressed32BitSamples, channel, count, start, stop);
    return RetrieveOverview<short>(m_Lock, *m_Recording.reader2.Get(), "GetCompressedSamples",
                                   &IQVRecorderFileReader2::GetCompressedSamples, channel, count, start, stop);
}

}  // namespace tarn::python

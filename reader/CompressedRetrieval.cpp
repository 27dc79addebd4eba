// Overviews from the min/max cache: the cached values of the blocks a range touches, reduced to
// the number of values wanted without reading the file.
#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "debug/QVDebug.h"
#include "reader/CChannelDesc.h"
#include "reader/PairReduction.h"

namespace tarn {

std::uint32_t CChannelDesc::CompressedEnd(std::size_t index) const {
    return index + 1 < m_SamplesInFile.size() ? m_SamplesInFile[index + 1].compressedStart() : m_NoOfCompressedValues;
}

template <class Value>
CChannelDesc::CompressedResult CChannelDesc::GetCompressed(std::uint32_t startSample, std::uint32_t endSample,
                                                           std::uint64_t noOfValues, ResultAllocator allocate,
                                                           void*& pVal) const {
    const auto id = static_cast<unsigned>(m_Id);
    const auto traced = static_cast<unsigned>(std::min<std::uint64_t>(noOfValues, UINT32_MAX));
    QV_TRACE("TARN", 1, "Requesting compressed samples from channel %u, startSample = %u, endsample = %u, *noOfValues = %u",
             id, startSample, endSample, traced);
    // An entry that ends exactly at startSample is taken too, so the range can start a block early.
    std::size_t first = 0;
    std::size_t last = m_SamplesInFile.size() - 1;
    if (startSample != endSample) first = FirstEndingAtOrAfter(startSample, 0);
    if (first >= m_SamplesInFile.size()) return CompressedResult::Empty;
    if (startSample != endSample) {
        std::size_t end = first;
        if (m_Ordered) {
            end = FirstEndingAtOrAfter(endSample, first);
        } else {
            while (end < m_SamplesInFile.size() && m_SamplesInFile[end].last() < endSample) ++end;
        }
        if (end < m_SamplesInFile.size()) last = end;
    }
    QV_TRACE("TARN", 1, "We will return compressed samples  channel %u, startSample = %u, endsample = %u, *noOfValues = %u",
             id, m_SamplesInFile[first].first(), static_cast<unsigned>(m_SamplesInFile[last].last()), traced);

    // Blocks indexed without values would leave their stretch out of the overview.
    if (m_UncachedBlocks != 0) return CompressedResult::TooFew;
    const std::uint32_t a = m_SamplesInFile[first].compressedStart();
    const std::uint32_t z = CompressedEnd(last);
    const std::uint32_t total = z - a;
    if (total < noOfValues) {
        QV_TRACE("TARN", 1,
                 "We only have numOfCompressedSamplesInRange = %u so we will return %u samples instead of the requested number",
                 total, traced);
        return CompressedResult::TooFew;
    }
    auto* out = static_cast<Value*>(allocate(noOfValues, sizeof(Value)));
    if (out == nullptr) return CompressedResult::NoMemory;
    pVal = out;
    if (noOfValues < 2) return CompressedResult::Delivered;
    // The 16-bit view of a 32-bit channel is the upper half of each value, as for its samples.
    const int shift = std::is_same_v<Value, std::int16_t> && m_Is32Bit ? 16 : 0;
    // Each output pair is made of whole cached (minimum, maximum) pairs.
    m_CompressedSamples.Visit([&](const auto* values) {
        ReduceToPairs(values + a, total, 2, static_cast<std::uint32_t>(noOfValues / 2),
                      [&](std::int32_t low, std::int32_t high) {
                          *out++ = static_cast<Value>(low >> shift);
                          *out++ = static_cast<Value>(high >> shift);
                      });
    });
    return CompressedResult::Delivered;
}

CChannelDesc::CompressedResult CChannelDesc::GetCompressedSamples(std::uint32_t startSample, std::uint32_t endSample,
                                                                  std::uint64_t noOfValues, ResultAllocator allocate,
                                                                  void*& pVal) const {
    return GetCompressed<std::int16_t>(startSample, endSample, noOfValues, allocate, pVal);
}

CChannelDesc::CompressedResult CChannelDesc::GetCompressed32BitSamples(std::uint32_t startSample,
                                                                       std::uint32_t endSample,
                                                                       std::uint64_t noOfValues,
                                                                       ResultAllocator allocate, void*& pVal) const {
    return GetCompressed<std::int32_t>(startSample, endSample, noOfValues, allocate, pVal);
}

}  // namespace tarn

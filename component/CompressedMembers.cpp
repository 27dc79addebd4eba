// GetCompressedSamples and GetCompressed32BitSamples: an overview of a channel's range as pairs of
// values, from the scan's min/max cache when it holds enough values for the range, else reduced
// from the raw samples that GetSamples (GetSamples32Bit) hands out. The cached path writes each
// pair as (minimum, maximum), the reduction as (maximum, minimum): clients draw from both and
// know the two orders.
#include "component/CQVRecorderFileReader.h"

#include "component/ClientMemory.h"
#include "component/MemberCall.h"
#include "debug/QVDebug.h"
#include "reader/CQVDataRecorderReader.h"
#include "reader/PairReduction.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace tarn {

using component::AllocResultArray;
using component::UniqueTaskMem;

namespace {

void* AllocateValues(std::uint64_t count, std::size_t width) { return AllocResultArray(count, width).release(); }

// count raw samples in pVal become noOfValues values, (maximum, minimum) pairs, in a new buffer;
// false, with the raw samples left in pVal, when it cannot be allocated.
template <typename Value>
bool Decimate(std::uint32_t count, std::uint32_t noOfValues, Value*& pVal) {
    UniqueTaskMem buffer = AllocResultArray(noOfValues, sizeof(Value));
    if (!buffer) return false;
    auto* out = static_cast<Value*>(buffer.get());
    if (noOfValues >= 2) {
        ReduceToPairs(pVal, count, 1, noOfValues / 2, [&out](Value low, Value high) {
            *out++ = high;
            *out++ = low;
        });
    }
    CoTaskMemFree(pVal);
    pVal = static_cast<Value*>(buffer.release());
    return true;
}

bool DecimateSamples(std::uint32_t count, std::uint32_t noOfValues, short*& pVal) {
    return Decimate(count, noOfValues, pVal);
}

bool DecimateSamples32(std::uint32_t count, std::uint32_t noOfValues, LONG*& pVal) {
    return Decimate(count, noOfValues, pVal);
}

}  // namespace

template <typename Value>
HRESULT CQVRecorderFileReader::CompressedSamples(const char* method, ULONG channel, ULONG startSample,
                                                 ULONG endSample, ULONG* noOfValues, Value** pVal) {
    constexpr bool kWide = std::is_same_v<Value, LONG>;
    return MemberCall(method, Needs::Recording, {pVal, noOfValues}, [&]() -> HRESULT {
        // An odd count is made even and written back first, whatever follows; a count that
        // cannot grow in 32 bits stays as it is but counts as 2^32 (more than any range holds).
        const std::uint64_t wanted = std::uint64_t{*noOfValues} + (*noOfValues & 1);
        *noOfValues = static_cast<ULONG>(std::min<std::uint64_t>(wanted, std::numeric_limits<ULONG>::max()));
        if (channel < 1 || channel > static_cast<ULONG>(m_NumberOfChannels)) return E_FAIL;
        // Blocks that sequential reading indexed get their values first; where they cannot,
        // the overview comes from the samples below.
        m_Reader->CompleteCache(static_cast<std::int32_t>(channel));
        const CChannelDesc* found = m_Reader->ChannelSlot(static_cast<std::int32_t>(channel));
        if (found == nullptr) return E_FAIL;
        const CChannelDesc& slot = *found;
        QV_TRACE("TARN", 1, "        %s from = %u, to = %u wanted number = %u", method, static_cast<unsigned>(startSample),
                 static_cast<unsigned>(endSample), static_cast<unsigned>(*noOfValues));

        void* values = nullptr;
        const auto cached = kWide ? slot.GetCompressed32BitSamples(startSample, endSample, wanted, AllocateValues, values)
                                  : slot.GetCompressedSamples(startSample, endSample, wanted, AllocateValues, values);
        switch (cached) {
            case CChannelDesc::CompressedResult::Delivered:
                QV_TRACE("TARN", 1, "        %s returned number = %u", method, static_cast<unsigned>(wanted));
                *noOfValues = static_cast<ULONG>(wanted);
                *pVal = static_cast<Value*>(values);
                return S_OK;
            case CChannelDesc::CompressedResult::Empty: {
                UniqueTaskMem none = AllocResultArray(0, sizeof(Value));
                if (!none) return E_OUTOFMEMORY;
                *noOfValues = 0;
                *pVal = static_cast<Value*>(none.release());
                return S_OK;
            }
            case CChannelDesc::CompressedResult::NoMemory:
                return E_OUTOFMEMORY;
            case CChannelDesc::CompressedResult::TooFew:
                break;
        }

        // Raw samples of the same stretch the cache describes: the cache counts from the
        // recording's base, GetSamples from the channel's first indexed sample. An end of 2^31
        // or more (no LONG holds it) is the channel's end; a reversed range stays reversed.
        const std::int64_t origin = slot.Blocks().front().first();
        const std::int64_t channelEnd = slot.Blocks().back().last();
        std::int64_t from = startSample;
        std::int64_t to = endSample;
        if (startSample == endSample) {
            from = origin;
            to = channelEnd;
        } else if (to > std::numeric_limits<LONG>::max()) {
            to = std::max(channelEnd, from);
        }
        from = std::max<std::int64_t>(from - origin, 0);
        to = std::max<std::int64_t>(to - origin, 0);
        QV_TRACE("TARN", 1, "        GetSamples from = %u, to = %u wanted number = %u", static_cast<unsigned>(from),
                 static_cast<unsigned>(to), static_cast<unsigned>(*noOfValues));
        LONG lastsampleread = 0;
        Value* raw = nullptr;
        const auto start = static_cast<LONG>(std::min<std::int64_t>(from, std::numeric_limits<LONG>::max()));
        const auto stop = static_cast<LONG>(std::min<std::int64_t>(to, std::numeric_limits<LONG>::max()));
        HRESULT hr = S_OK;
        if constexpr (kWide) {
            hr = GetSamples32Bit(static_cast<LONG>(channel), start, stop, &lastsampleread, &raw);
        } else {
            hr = GetSamples(static_cast<LONG>(channel), start, stop, &lastsampleread, &raw);
        }
        if (FAILED(hr)) return hr;
        const auto count = static_cast<std::uint32_t>(std::int64_t{lastsampleread} - start + 1);
        // Compared in 64 bits: a count of 2^31 or more asks for the raw samples.
        bool reduced = false;
        if (count >= 2 * wanted) {
            const auto values = static_cast<std::uint32_t>(wanted);
            if constexpr (kWide) {
                reduced = DecimateSamples32(count, values, raw);
            } else {
                reduced = DecimateSamples(count, values, raw);
            }
        }
        const auto delivered = reduced ? static_cast<std::uint32_t>(wanted) : count;
        QV_TRACE("TARN", 1, "        GetSamples returned *noOfValues = %u, lastsampleread = %u", delivered,
                 static_cast<unsigned>(lastsampleread));
        *noOfValues = delivered;
        *pVal = raw;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetCompressedSamples(ULONG channel, ULONG startSample, ULONG endSample,
                                                    ULONG* noOfValues, short** pVal) {
    return CompressedSamples("GetCompressedSamples", channel, startSample, endSample, noOfValues, pVal);
}

HRESULT CQVRecorderFileReader::GetCompressed32BitSamples(ULONG channel, ULONG startSample, ULONG endSample,
                                                         ULONG* noOfValues, LONG** pVal) {
    return CompressedSamples("GetCompressed32BitSamples", channel, startSample, endSample, noOfValues, pVal);
}

}  // namespace tarn

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

#include <cstdint>
#include <limits>
#include <type_traits>

namespace tarn {

using component::AllocResultArray;
using component::UniqueTaskMem;

namespace {

// The largest count asked for whose doubling (the fallback compares the raw count with it) still
// fits 32 bits, after an odd count has been made even.
constexpr ULONG kMaxValues = std::numeric_limits<ULONG>::max() / 2 - 1;

void* AllocateValues(std::uint64_t count, std::size_t width) { return AllocResultArray(count, width).release(); }

// count raw samples in pVal become noOfValues values, (maximum, minimum) pairs, in a new buffer;
// false, with the raw samples left in pVal, when it cannot be allocated.
template <typename Value>
bool Decimate(std::uint32_t count, std::uint32_t noOfValues, Value*& pVal) {
    UniqueTaskMem buffer = AllocResultArray(noOfValues, sizeof(Value));
    if (!buffer) return false;
    auto* out = static_cast<Value*>(buffer.get());
    if (noOfValues >= 2) {
        const auto step = static_cast<float>(2.0 * count / noOfValues);
        ReduceToPairs(pVal, count, 0, noOfValues / 2, step, [&out](Value low, Value high) {
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
        if (channel < 1 || channel > static_cast<ULONG>(m_NumberOfChannels)) return E_FAIL;
        const CChannelDesc* found = m_Reader->ChannelSlot(static_cast<std::int32_t>(channel));
        if (found == nullptr) return E_FAIL;
        if (*noOfValues > kMaxValues) return E_OUTOFMEMORY;
        const auto wanted = static_cast<std::uint32_t>(*noOfValues + (*noOfValues & 1));
        const CChannelDesc& slot = *found;
        QV_TRACE("TARN", 1, "        %s from = %u, to = %u wanted number = %u", method, static_cast<unsigned>(startSample),
                 static_cast<unsigned>(endSample), wanted);

        void* values = nullptr;
        const auto cached = kWide ? slot.GetCompressed32BitSamples(startSample, endSample, wanted, AllocateValues, values)
                                  : slot.GetCompressedSamples(startSample, endSample, wanted, AllocateValues, values);
        switch (cached) {
            case CChannelDesc::CompressedResult::Delivered:
                QV_TRACE("TARN", 1, "        %s returned number = %u", method, wanted);
                *noOfValues = wanted;
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

        // Raw samples, counted from the channel's first indexed sample as GetSamples counts.
        std::uint32_t from = startSample;
        std::uint32_t to = endSample;
        if (startSample == endSample) {
            from = 0;
            to = static_cast<std::uint32_t>(slot.Blocks().back().last());
        }
        QV_TRACE("TARN", 1, "        GetSamples from = %u, to = %u wanted number = %u", from, to, wanted);
        LONG lastsampleread = 0;
        Value* raw = nullptr;
        const auto start = static_cast<LONG>(from);
        const auto stop = static_cast<LONG>(to);
        HRESULT hr = S_OK;
        if constexpr (kWide) {
            hr = GetSamples32Bit(static_cast<LONG>(channel), start, stop, &lastsampleread, &raw);
        } else {
            hr = GetSamples(static_cast<LONG>(channel), start, stop, &lastsampleread, &raw);
        }
        if (FAILED(hr)) return hr;
        const auto count = static_cast<std::uint32_t>(std::int64_t{lastsampleread} - start + 1);
        std::uint32_t delivered = wanted;
        bool reduced = false;
        if (count >= 2 * wanted) {
            if constexpr (kWide) {
                reduced = DecimateSamples32(count, wanted, raw);
            } else {
                reduced = DecimateSamples(count, wanted, raw);
            }
        }
        if (!reduced) delivered = count;
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

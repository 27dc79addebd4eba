// Arbitrary bytes as a recording, opened and scanned through the component's interfaces, then
// every retrieval member called with arguments chosen by the input's last bytes. Whatever the
// component hands out is read (so that ASan checks its size) and freed (so that LeakSanitizer
// finds what is not).
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "component/ClientMemory.h"
#include "component/client/ScanEvents.h"
#include "fuzz/ComponentSupport.h"
#include "fuzz/FuzzSupport.h"
#include "setup/BstrText.h"

namespace tarn::fuzz {
namespace {

// A scan of an input this small that has not ended by then hangs.
constexpr std::chrono::seconds kScanTimeout{30};
constexpr int kMaxDCBlocks = 16;

template <typename T>
using TaskMem = std::unique_ptr<T, component::CoTaskMemDeleter>;

struct Arguments {
    LONG channel = 0;          // -1 .. N + 1
    LONG start = 0;            // [start, stop): near the first samples, reversed, or an extreme
    LONG stop = 0;
    ULONG overviewStart = 0;   // equal ends: the whole channel
    ULONG overviewEnd = 0;
    ULONG overviewCount = 0;
    std::uint8_t selection = 0;   // bit i (0 .. 6): channel index i; bit 7: an index past the last
    bool blockInterleaved = false;
    bool readBeforeScan = false;
    bool scanTwice = false;

    Arguments(FuzzedDataProvider& bytes, LONG channels) {
        channel = static_cast<LONG>(bytes.ConsumeIntegral<std::uint8_t>() % (channels + 3)) - 1;
        start = Start(bytes);
        const std::int64_t end = std::int64_t{start} + bytes.ConsumeIntegral<std::uint16_t>();
        stop = end > INT_MAX ? INT_MAX : static_cast<LONG>(end);
        if (bytes.ConsumeBool()) std::swap(start, stop);
        overviewStart = bytes.ConsumeIntegral<std::uint16_t>();
        overviewEnd = overviewStart + bytes.ConsumeIntegral<std::uint8_t>() * 16u;
        const ULONG counts[] = {bytes.ConsumeIntegral<std::uint16_t>(), 0, 1, 0x7FFFFFFE, std::numeric_limits<ULONG>::max()};
        overviewCount = counts[bytes.ConsumeIntegralInRange<std::size_t>(0, 15) % std::size(counts)];
        selection = bytes.ConsumeIntegral<std::uint8_t>();
        blockInterleaved = bytes.ConsumeBool();
        readBeforeScan = bytes.ConsumeBool();
        scanTwice = bytes.ConsumeBool();
    }

private:
    static LONG Start(FuzzedDataProvider& bytes) {
        switch (bytes.ConsumeIntegralInRange(0, 7)) {
            case 0: return INT_MIN;
            case 1: return INT_MAX;
            case 2: return -1;
            default: return bytes.ConsumeIntegral<std::int16_t>();
        }
    }
};

// Reads every value of a block handed out, so that ASan sees a block shorter than it claims.
template <typename T>
void Touch(const T* values, std::uint64_t count) {
    volatile T sink = 0;
    for (std::uint64_t i = 0; i < count; ++i) sink = static_cast<T>(sink ^ values[i]);
}

void TouchVariant(VARIANT& value) {
    if ((V_VT(&value) & VT_ARRAY) != 0 && V_ARRAY(&value) != nullptr) {
        SAFEARRAY* array = V_ARRAY(&value);
        void* data = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
            Touch(static_cast<const unsigned char*>(data), std::uint64_t{array->rgsabound[0].cElements} * array->cbElements);
            SafeArrayUnaccessData(array);
        }
    }
    VariantClear(&value);
}

void Describe(IQVRecorderFileReader& reader, const Arguments& a) {
    LONG number = 0;
    double real = 0.0;
    BSTR text = nullptr;
    reader.get_FileSize(&number);
    reader.get_SampleFrequency(&real);
    if (SUCCEEDED(reader.get_Description(&text))) SysFreeString(text);
    reader.GetCorrectionFactor(a.channel, &real);
    if (SUCCEEDED(reader.GetUnit(a.channel, &text))) SysFreeString(text);
    const UniqueBstr name(AllocBstr(u"SignalName"));
    VARIANT value;
    VariantInit(&value);
    reader.getParameter(name.get(), a.channel, &value);
    VariantClear(&value);
    reader.Is32BitData(a.channel - 1, &number);
    reader.GetFirstTriggerSample(&number);
}

void ReadSequentially(IQVRecorderFileReader& reader, const Arguments& a, LONG channels, std::size_t maxReads) {
    reader.put_Mode(a.blockInterleaved ? RF_BlockInterleaved : RF_Interleaved);
    if (a.selection != 0) {
        std::vector<LONG> indexes;
        for (LONG i = 0; i < 7; ++i) {
            if ((a.selection >> i) & 1) indexes.push_back(i);
        }
        if (a.selection & 0x80) indexes.push_back(channels);
        SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 1, static_cast<ULONG>(indexes.size()));
        void* elements = nullptr;
        if (array == nullptr || FAILED(SafeArrayAccessData(array, &elements))) std::abort();
        std::copy(indexes.begin(), indexes.end(), static_cast<LONG*>(elements));
        SafeArrayUnaccessData(array);
        VARIANT selection;
        V_VT(&selection) = VT_ARRAY | VT_I4;
        V_ARRAY(&selection) = array;
        reader.put_ChannelSelection(selection);
        VariantClear(&selection);
    }
    for (std::size_t reads = 0;; ++reads) {
        LONG ok = 0;
        if (FAILED(reader.read(&ok)) || ok != 1) break;
        // Every delivery takes at least one block of the file: more reads than bytes never end.
        if (reads > maxReads) __builtin_trap();
        LONG size = 0;
        LONG number = 0;
        VARIANT_BOOL overrun = VARIANT_FALSE;
        reader.get_BlockSize(&size);
        reader.get_SampleNumber(&number);
        reader.get_Overrun(&overrun);
        VARIANT block;
        VariantInit(&block);
        short* own = nullptr;
        switch (reads % 3) {
            case 0: if (SUCCEEDED(reader.getBlock(&block))) TouchVariant(block); break;
            case 1: if (SUCCEEDED(reader.getBlock32(&block))) TouchVariant(block); break;
            default: if (SUCCEEDED(reader._getBlock(&own)) && size > 0) Touch(own, static_cast<std::uint64_t>(size));
        }
    }
    VARIANT selection;
    VariantInit(&selection);
    if (SUCCEEDED(reader.get_ChannelSelection(&selection))) TouchVariant(selection);
    reader.clearSelection(0);
    reader.setSampleSelection(a.start, a.stop);
}

template <typename Value, typename Get>
void CopyRange(const Arguments& a, Get&& get) {
    LONG last = 0;
    Value* values = nullptr;
    if (SUCCEEDED(get(a.channel, a.start, a.stop, &last, &values)) && values != nullptr) {
        const TaskMem<Value> owned(values);
        if (last >= a.start) Touch(values, static_cast<std::uint64_t>(std::int64_t{last} - a.start + 1));
    }
}

template <typename Value, typename Get>
void Overview(const Arguments& a, ULONG from, ULONG to, Get&& get) {
    ULONG count = a.overviewCount;
    Value* values = nullptr;
    if (SUCCEEDED(get(static_cast<ULONG>(a.channel), from, to, &count, &values)) && values != nullptr) {
        const TaskMem<Value> owned(values);
        Touch(values, count);
    }
}

// The background scan to its end; one that does not end is a hang.
void ScanToEnd(IQVRecorderFileReader2& reader, client::ScanEvents& events) {
    LONG ok = 0;
    if (FAILED(reader.ScanFile(&ok))) std::abort();
    if (!events.WaitForScan(kScanTimeout)) __builtin_trap();
}

void Retrieve(IQVRecorderFileReader2& reader, const Arguments& a) {
    LONG number = 0;
    reader.GetFirstSampleNumber(&number);
    reader.GetLastSampleNumber(&number);
    CopyRange<short>(a, [&](auto... args) { return reader.GetSamples(args...); });
    CopyRange<LONG>(a, [&](auto... args) { return reader.GetSamples32Bit(args...); });
    BYTE status = 0;
    reader.GetOverloadStatusInRange(a.channel, a.start, a.stop, &status);
    for (const bool whole : {false, true}) {
        const ULONG from = whole ? 0 : a.overviewStart;
        const ULONG to = whole ? 0 : a.overviewEnd;
        Overview<short>(a, from, to, [&](auto... args) { return reader.GetCompressedSamples(args...); });
        Overview<LONG>(a, from, to, [&](auto... args) { return reader.GetCompressed32BitSamples(args...); });
    }

    VARIANT pairs;
    VariantInit(&pairs);
    void* elements = nullptr;
    if (SUCCEEDED(reader.GetDCChannelIndexes(a.start, a.stop, &pairs)) && V_VT(&pairs) == (VT_ARRAY | VT_I4) &&
        SUCCEEDED(SafeArrayAccessData(V_ARRAY(&pairs), &elements))) {
        const auto* entries = static_cast<const LONG*>(elements);
        const ULONG count = V_ARRAY(&pairs)->rgsabound[0].cElements / 2;
        for (ULONG i = 0; i < count && i < kMaxDCBlocks; ++i) {
            LONG size = 0;
            BYTE* block = nullptr;
            if (SUCCEEDED(reader.GetDCChannelBlock(entries[2 * i], entries[2 * i + 1], &size, &block))) {
                const TaskMem<BYTE> owned(block);
                Touch(block, static_cast<std::uint64_t>(size));
            }
        }
        SafeArrayUnaccessData(V_ARRAY(&pairs));
    }
    VariantClear(&pairs);
    LONG size = 0;
    BYTE* block = nullptr;
    if (SUCCEEDED(reader.GetDCChannelBlock(a.channel, a.start, &size, &block))) CoTaskMemFree(block);
    if (SUCCEEDED(reader.GetRECInfoSection(&size, &block)) && block != nullptr) {
        const TaskMem<BYTE> owned(block);
        Touch(block, static_cast<std::uint64_t>(size));
    }
}

}  // namespace
}  // namespace tarn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarn::fuzz;
    SplitInput input(data, size);
    const std::string path = ScratchFolder::Get().Write("recording.dat", input.Body());
    ComponentRecording recording = OpenThroughComponent(path, false);
    if (!recording.open) return 0;
    IQVRecorderFileReader& reader = *recording.reader.Get();
    LONG channels = 0;
    reader.get_NumberOfChannels(&channels);
    const Arguments arguments(input.Arguments(), channels);
    const std::size_t maxReads = input.Body().size();

    Describe(reader, arguments);
    if (arguments.readBeforeScan) ReadSequentially(reader, arguments, channels, maxReads);
    tarn::client::ScanEvents events;
    if (FAILED(events.Connect(recording.reader.Get()))) std::abort();
    ScanToEnd(*recording.reader2.Get(), events);
    Retrieve(*recording.reader2.Get(), arguments);
    // A second scan builds the index afresh and starts sequential reading again.
    if (arguments.scanTwice) ScanToEnd(*recording.reader2.Get(), events);
    ReadSequentially(reader, arguments, channels, maxReads);
    reader.close();
    return 0;
}

#include "component/client/ComponentRecording.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "component/ClassObject.h"
#include "component/ClientMemory.h"
#include "component/client/ScanEvents.h"
#include "platform/platform.h"
#include "reader/CQVDataRecorderReader.h"
#include "setup/BstrText.h"

namespace tarn::client {

namespace {

// A scan that has not ended after this long is given up.
constexpr std::chrono::minutes kScanTimeout{10};
constexpr int kBarWidth = 40;
// Samples asked for at a time while looking for a channel's end: bounds the memory of one probe.
constexpr LONG kProbeSamples = 1 << 16;

// The component looks for the .REC file in the recording's folder, which a bare name lacks.
std::u16string AbsoluteFileName(const std::u16string& name) {
    const std::filesystem::path given(name);
    std::error_code error;
    const std::filesystem::path full = given.is_relative() ? std::filesystem::absolute(given, error) : given;
    return error ? name : full.u16string();
}

// Why the component did not open path: the file does not open, or its start is no recording's.
std::string WhyNotOpened(const std::string& path, HRESULT hr) {
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) return CannotOpen(path);
    const CQVDataRecorderReader reader(file);
    if (reader.EndOfData()) return path + " is not a recording: " + Describe(reader.StartError());
    return "cannot open " + path + " (" + StatusText(hr) + ")";
}

template <typename Value>
HRESULT CollectOverview(HRESULT hr, ULONG count, Value* raw, std::vector<LONG>& values) {
    const std::unique_ptr<void, component::CoTaskMemDeleter> owned(raw);
    if (SUCCEEDED(hr) && raw != nullptr) values.assign(raw, raw + count);
    return hr;
}

}  // namespace

ComponentSession::ComponentSession() {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    m_Initialized = SUCCEEDED(init);
    m_Ok = m_Initialized && SUCCEEDED(component::RegisterClassObjectInProcess(&m_Cookie));
    if (!m_Ok) std::fprintf(stderr, "tarn: the component cannot be registered in this process\n");
}

ComponentSession::~ComponentSession() {
    if (m_Cookie != 0) CoRevokeClassObject(m_Cookie);
    if (m_Initialized) CoUninitialize();
}

OpenResult OpenAndScan(Recording& recording, const std::string& path, const OpenOptions& options) {
    const auto failed = [](HRESULT hr, OpenStep step) { return OpenResult{FAILED(hr) ? hr : E_FAIL, step}; };
    HRESULT hr = CoCreateInstance(CLSID_QVRecorderFileReader, nullptr, CLSCTX_INPROC_SERVER, IID_IQVRecorderFileReader,
                                  recording.reader.PutVoid());
    if (FAILED(hr)) return failed(hr, OpenStep::Create);
    recording.reader2 = recording.reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2, &hr);
    if (FAILED(hr)) return failed(hr, OpenStep::Create);
    const UniqueBstr name(AllocBstr(AbsoluteFileName(platform::FileNameToWide(path))));
    hr = name ? recording.reader->put_FileName(name.get()) : E_OUTOFMEMORY;
    if (FAILED(hr)) return failed(hr, OpenStep::Name);
    recording.reader2->put_EnableLoadRECFileWithCORAL(options.loadRECFile ? 1 : 0);
    recording.reader->put_Mode(options.mode);
    LONG ok = 0;
    hr = recording.reader->open(&ok);
    if (FAILED(hr) || ok != 1) return failed(hr, OpenStep::Open);
    if (!options.scan) return {};

    ScanEvents events;
    events.onProgress = options.onProgress;
    hr = events.Connect(recording.reader.Get());
    if (FAILED(hr)) return failed(hr, OpenStep::Events);
    hr = recording.reader2->ScanFile(&ok);
    if (FAILED(hr)) return failed(hr, OpenStep::Scan);
    if (!events.WaitForScan(kScanTimeout)) return failed(E_FAIL, OpenStep::ScanTimeout);
    return {};
}

std::int64_t FileLength(const std::string& path) {
    platform::File file;
    return file.Open(path, platform::File::Mode::Read) ? file.Length() : -1;
}

bool WantsProgressBar(const std::string& path) { return FileLength(path) >= kProgressBarMinimumBytes; }

bool OpenAndScan(Recording& recording, const std::string& path, bool loadRECFile) {
    ProgressBar bar("scanning " + path);
    // Smaller recordings scan in a moment: no bar for them. The size is known once the file is open.
    OpenOptions options;
    options.loadRECFile = loadRECFile;
    const bool showBar = WantsProgressBar(path);
    options.onProgress = [&](LONG percent) {
        if (showBar) bar.Show(percent);
    };
    const OpenResult result = OpenAndScan(recording, path, options);
    bar.Finish();
    if (result.Ok()) return true;
    std::fprintf(stderr, "tarn: %s\n", DescribeOpenFailure(result, path).c_str());
    return false;
}

std::string DescribeOpenFailure(const OpenResult& result, const std::string& path) {
    switch (result.step) {
    case OpenStep::Create: return "the component cannot be created (" + path + ")";
    case OpenStep::Name: return "out of memory (" + path + ")";
    case OpenStep::Open: return WhyNotOpened(path, result.hr);
    case OpenStep::Events: return "no scan events from " + path;
    case OpenStep::Scan: return "cannot scan " + path;
    case OpenStep::ScanTimeout: return "the scan of " + path + " did not end";
    }
    return "cannot open " + path;
}

std::string StatusText(HRESULT hr) {
    char text[16];
    // Through 32 bits unsigned: a long of 64 bits would carry the sign into the upper half.
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
    return text;
}

std::string CannotOpen(const std::string& path) { return "cannot open " + path + ": " + std::strerror(errno); }

std::string Printable(BSTR text) { return platform::FileNameFromWide(BstrText(text)); }

bool FindParameter(IQVRecorderFileReader& reader, const char16_t* key, LONG section, std::u16string& text) {
    const UniqueBstr name(AllocBstr(key));
    VARIANT value;
    VariantInit(&value);
    const bool found = SUCCEEDED(reader.getParameter(name.get(), section, &value)) && V_VT(&value) == VT_BSTR;
    text = found ? BstrText(V_BSTR(&value)) : std::u16string();
    VariantClear(&value);
    return found;
}

std::u16string WideParameter(IQVRecorderFileReader& reader, const char16_t* key, LONG section) {
    std::u16string text;
    FindParameter(reader, key, section, text);
    return text;
}

std::string Parameter(IQVRecorderFileReader& reader, const char16_t* key, LONG section) {
    return platform::FileNameFromWide(WideParameter(reader, key, section));
}

HRESULT Overview(IQVRecorderFileReader2& reader, ULONG channel, ULONG from, ULONG to, ULONG count, bool wide,
                 std::vector<LONG>& values) {
    values.clear();
    if (wide) {
        LONG* raw = nullptr;
        const HRESULT hr = reader.GetCompressed32BitSamples(channel, from, to, &count, &raw);
        return CollectOverview(hr, count, raw, values);
    }
    short* raw = nullptr;
    const HRESULT hr = reader.GetCompressedSamples(channel, from, to, &count, &raw);
    return CollectOverview(hr, count, raw, values);
}

HRESULT ChannelEnd(IQVRecorderFileReader2& reader, LONG channel, LONG from, LONG& end) {
    HRESULT hr = S_OK;
    // How many of count samples from first on the channel has.
    const auto have = [&](LONG first, LONG count) {
        LONG last = first - 1;
        short* raw = nullptr;
        if (SUCCEEDED(hr)) hr = reader.GetSamples(channel, first, first + count, &last, &raw);
        CoTaskMemFree(raw);
        return SUCCEEDED(hr) ? last - first + 1 : 0;
    };
    if (from > 0 && have(from - 1, 1) == 0) {
        // Shorter than that: the first sample it lacks lies below.
        LONG low = 0, high = from - 1;
        while (low < high && SUCCEEDED(hr)) {
            const LONG middle = low + (high - low) / 2;
            if (have(middle, 1) == 1)
                low = middle + 1;
            else
                high = middle;
        }
        end = low;
        return hr;
    }
    // Chunks bound the memory of one probe.
    while (from >= 0 && from <= std::numeric_limits<LONG>::max() - kProbeSamples) {
        const LONG got = have(from, kProbeSamples);
        from += got;
        if (got < kProbeSamples) break;
    }
    end = from;
    return hr;
}

std::vector<std::pair<LONG, LONG>> DCIndexPairs(const VARIANT& list) {
    std::vector<std::pair<LONG, LONG>> pairs;
    if (V_VT(&list) != (VT_ARRAY | VT_I4)) return pairs;
    SAFEARRAY* array = V_ARRAY(&list);
    LONG low = 0, high = -1;
    SafeArrayGetLBound(array, 1, &low);
    SafeArrayGetUBound(array, 1, &high);
    for (LONG i = low; i < high; i += 2) {
        LONG next = i + 1, channel = 0, block = 0;
        SafeArrayGetElement(array, &i, &channel);
        SafeArrayGetElement(array, &next, &block);
        pairs.emplace_back(channel, block);
    }
    return pairs;
}

bool UnitOf(IQVRecorderFileReader& reader, LONG channel, std::string& unit) {
    BSTR text = nullptr;
    if (FAILED(reader.GetUnit(channel, &text))) return false;
    const UniqueBstr owned(text);
    unit = text == nullptr ? std::string() : Printable(text);
    return true;
}

std::string SignalName(IQVRecorderFileReader& reader, LONG channel) {
    std::string name = Parameter(reader, u"SignalName", channel);
    return name.empty() ? Parameter(reader, u"OrgSignalName", channel) : name;
}

void ProgressBar::Show(LONG percent) {
    if (percent <= m_Shown) return;
    m_Shown = percent;
    const int filled = static_cast<int>(percent) * kBarWidth / 100;
    std::fprintf(stderr, "\r%s [%-*s] %3ld%%", m_Label.c_str(), kBarWidth, std::string(filled, '#').c_str(),
                 static_cast<long>(percent));
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    if (m_Shown < 0) return;
    Show(100);
    std::fputc('\n', stderr);
}

}  // namespace tarn::client

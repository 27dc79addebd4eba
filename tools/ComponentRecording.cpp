#include "tools/ComponentRecording.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "component/ClassObject.h"
#include "component/ClientMemory.h"
#include "component/client/ScanEvents.h"
#include "platform/platform.h"
#include "setup/BstrText.h"

namespace tarn::tool {

namespace {

// A scan that has not ended after this long is given up.
constexpr std::chrono::minutes kScanTimeout{10};
constexpr int kBarWidth = 40;

template <typename Value>
HRESULT CollectOverview(HRESULT hr, ULONG count, Value* raw, std::vector<LONG>& values) {
    const std::unique_ptr<void, component::CoTaskMemDeleter> owned(raw);
    if (SUCCEEDED(hr) && raw != nullptr) values.assign(raw, raw + count);
    return hr;
}

bool Fail(const char* format, const std::string& path) {
    std::fprintf(stderr, format, path.c_str());
    return false;
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

bool OpenAndScan(Recording& recording, const std::string& path, bool loadRECFile) {
    HRESULT hr = CoCreateInstance(CLSID_QVRecorderFileReader, nullptr, CLSCTX_INPROC_SERVER, IID_IQVRecorderFileReader,
                                  recording.reader.PutVoid());
    if (FAILED(hr)) return Fail("tarn: the component cannot be created (%s)\n", path);
    recording.reader2 = recording.reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    const UniqueBstr name(AllocBstr(platform::FileNameToWide(path)));
    if (!name || FAILED(recording.reader->put_FileName(name.get()))) return Fail("tarn: out of memory (%s)\n", path);
    recording.reader2->put_EnableLoadRECFileWithCORAL(loadRECFile ? 1 : 0);
    LONG ok = 0;
    hr = recording.reader->open(&ok);
    if (hr == E_INVALIDARG) return Fail("tarn: %s is not a recording\n", path);
    if (FAILED(hr) || ok != 1) return Fail("tarn: cannot open %s\n", path);

    client::ScanEvents events;
    ProgressBar bar("scanning " + path);
    LONG size = 0;
    recording.reader->get_FileSize(&size);
    // Smaller recordings scan in a moment: no bar for them.
    if (static_cast<ULONG>(size) >= static_cast<ULONG>(kProgressBarMinimumBytes))
        events.onProgress = [&](LONG percent) { bar.Show(percent); };
    if (FAILED(events.Connect(recording.reader.Get()))) return Fail("tarn: no scan events from %s\n", path);
    if (FAILED(recording.reader2->ScanFile(&ok))) return Fail("tarn: cannot scan %s\n", path);
    const bool scanned = events.WaitForScan(kScanTimeout);
    bar.Finish();
    return scanned || Fail("tarn: the scan of %s did not end\n", path);
}

std::string Printable(BSTR text) { return platform::FileNameFromWide(BstrText(text)); }

std::u16string WideParameter(IQVRecorderFileReader& reader, const char16_t* key, LONG section) {
    const UniqueBstr name(AllocBstr(key));
    VARIANT value;
    VariantInit(&value);
    std::u16string text;
    if (SUCCEEDED(reader.getParameter(name.get(), section, &value)) && V_VT(&value) == VT_BSTR) {
        text = BstrText(V_BSTR(&value));
    }
    VariantClear(&value);
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

}  // namespace tarn::tool

#include "tools/ComponentRecording.h"

#include <chrono>
#include <cstdio>

#include "component/CQVRecorderFileReader.h"
#include "platform/platform.h"
#include "reader/CQVDataRecorderReader.h"
#include "setup/BstrText.h"

namespace tarn::tool {

namespace {

// Progress appears only after this long, so small files scan silently.
constexpr std::chrono::milliseconds kQuietTime{500};
// Scan steps between two looks at the clock.
constexpr unsigned kStepsPerCheck = 4096;

void ScanWithProgress(CQVDataRecorderReader& reader, const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    int shownPercent = -1;
    for (unsigned steps = 1; reader.ScanFile(); ++steps) {
        if (steps % kStepsPerCheck != 0 || std::chrono::steady_clock::now() - start < kQuietTime) continue;
        const int percent = static_cast<int>(reader.ScanFraction() * 100.0);
        if (percent != shownPercent) {
            std::fprintf(stderr, "\rscanning %s: %3d%%", path.c_str(), percent);
            std::fflush(stderr);
            shownPercent = percent;
        }
    }
    reader.SetScanComplete();
    if (shownPercent >= 0) std::fprintf(stderr, "\rscanning %s: done\n", path.c_str());
}

}  // namespace

bool OpenAndScan(CQVRecorderFileReader& component, const std::string& path) {
    const UniqueBstr name(AllocBstr(platform::FileNameToWide(path)));
    LONG ok = 0;
    if (!name || FAILED(component.put_FileName(name.get()))) {
        std::fprintf(stderr, "tarn: out of memory\n");
        return false;
    }
    const HRESULT hr = component.open(&ok);
    if (hr == E_INVALIDARG) {
        std::fprintf(stderr, "tarn: %s is not a recording\n", path.c_str());
        return false;
    }
    if (FAILED(hr) || ok != 1) {
        std::fprintf(stderr, "tarn: cannot open %s\n", path.c_str());
        return false;
    }
    ScanWithProgress(*component.Reader(), path);
    return true;
}

std::string Printable(BSTR text) { return platform::FileNameFromWide(BstrText(text)); }

}  // namespace tarn::tool

// What the tool's commands and the Python module share: the component object created by its
// class ID, as any client creates it, and a recording opened and scanned in the background with
// a progress bar driven by the scan's events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "compat/compat.h"
#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"

namespace tarn::client {

// COM for the calling thread, with the component's class object registered in this process so
// that CoCreateInstance finds it without a registered module.
class ComponentSession {
public:
    ComponentSession();
    ~ComponentSession();
    ComponentSession(const ComponentSession&) = delete;
    ComponentSession& operator=(const ComponentSession&) = delete;
    bool Ok() const { return m_Ok; }

private:
    bool m_Ok = false;
    bool m_Initialized = false;
    DWORD m_Cookie = 0;
};

struct Recording {
    ComPtr<IQVRecorderFileReader> reader;
    ComPtr<IQVRecorderFileReader2> reader2;
};

// The step of opening and scanning that failed.
enum class OpenStep { Create, Name, Open, Events, Scan, ScanTimeout };

struct OpenResult {
    HRESULT hr = S_OK;
    OpenStep step = OpenStep::Create;
    bool Ok() const { return SUCCEEDED(hr); }
};

struct OpenOptions {
    // Names, units, aliases, date and time from the companion .REC file, through its server.
    bool loadRECFile = false;
    // false: open only (sequential reading indexes as it goes and needs no scan).
    bool scan = true;
    // The layout sequential reading delivers.
    RFMode mode = RF_Interleaved;
    // Gets each OnProgress percentage.
    std::function<void(LONG)> onProgress;
};

// Creates a component object, opens path with it and scans the whole file in the background,
// dispatching this thread's messages until the scan has ended. Says nothing: the result names the
// step that failed.
OpenResult OpenAndScan(Recording& recording, const std::string& path, const OpenOptions& options);

// The same for the tool: a progress bar on stderr for files of kProgressBarMinimumBytes and more,
// and on failure a line on stderr saying why; false then.
bool OpenAndScan(Recording& recording, const std::string& path, bool loadRECFile = false);
// What went wrong, in words, with the cause where it is known ("cannot open PATH: No such file or
// directory", "PATH is not a recording: file header cut short").
std::string DescribeOpenFailure(const OpenResult& result, const std::string& path);
// A status code as "0x8007000E".
std::string StatusText(HRESULT hr);
// "cannot open PATH: REASON", right after an open of path failed (the reason from errno).
std::string CannotOpen(const std::string& path);

// A text from the component in the console's encoding.
std::string Printable(BSTR text);

// A parameter's text through getParameter, or "" when the recording does not have it; the first
// in the console's encoding.
std::string Parameter(IQVRecorderFileReader& reader, const char16_t* key, LONG section);
std::u16string WideParameter(IQVRecorderFileReader& reader, const char16_t* key, LONG section);
// The same, telling an absent parameter (false) from an empty one.
bool FindParameter(IQVRecorderFileReader& reader, const char16_t* key, LONG section, std::u16string& text);

// The values GetCompressedSamples (wide: GetCompressed32BitSamples) hands out for channel, the
// range [from, to) (from = to: the whole channel) and count wanted, widened to 32 bits.
HRESULT Overview(IQVRecorderFileReader2& reader, ULONG channel, ULONG from, ULONG to, ULONG count, bool wide,
                 std::vector<LONG>& values);
// Where channel's samples end (one past the last), from sample from on: GetSamples stops at the
// first sample the channel lacks and says where. from is where the channel is known to have
// samples up to (0 when nothing is known); the channel may also end before it.
HRESULT ChannelEnd(IQVRecorderFileReader2& reader, LONG channel, LONG from, LONG& end);
// The (DC channel, block index) pairs of a GetDCChannelIndexes list.
std::vector<std::pair<LONG, LONG>> DCIndexPairs(const VARIANT& list);
// A channel's unit ("" when it has none); false when the recording cannot say.
bool UnitOf(IQVRecorderFileReader& reader, LONG channel, std::string& unit);
// A channel's name: its "SignalName", else its "OrgSignalName"; "" when it has neither.
std::string SignalName(IQVRecorderFileReader& reader, LONG channel);

// A progress bar on stderr: "label [####    ]  40%", drawn again as the percentage grows.
class ProgressBar {
public:
    explicit ProgressBar(std::string label) : m_Label(std::move(label)) {}
    void Show(LONG percent);
    // Draws 100 % and ends the line, when anything was drawn.
    void Finish();

private:
    std::string m_Label;
    LONG m_Shown = -1;
};

// Files from this size on take long enough to show a progress bar.
inline constexpr LONG kProgressBarMinimumBytes = 1 << 20;
// A file's real length (-1 when it does not open): FileSize keeps only the low 32 bits.
std::int64_t FileLength(const std::string& path);
// Whether the file at path is that large (by its real length).
bool WantsProgressBar(const std::string& path);

}  // namespace tarn::client

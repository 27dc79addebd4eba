#include "debug/QVDebug.h"

#include <cstdarg>
#include <cstring>
#include <mutex>

#include "debug/FunctionName.h"
#include "debug/KeywordList.h"
#include "debug/QVDebugTesting.h"
#include "platform/platform.h"

namespace tarn::QVDebug {

namespace {
constexpr std::int32_t kLevelNotRead = 119;
}  // namespace

std::atomic<std::int32_t> traceLevel{kLevelNotRead};

namespace {

constexpr char kProfileFile[] = "CoralDSP.ini";
constexpr char kSection[] = "QvDebug";
constexpr std::int32_t kAllKeywordsLevel = 4;     // this level exactly skips the keyword filter
constexpr std::int32_t kMinRefreshInterval = 100;  // shorter intervals would read the file per call
constexpr std::size_t kOriginChars = 260;
constexpr std::size_t kIllegalLineSize = 460;
constexpr std::size_t kMessageSize = 500;
constexpr std::size_t kLineSize = 1052;

// The origin is kept per thread rather than under a lock held from SetTraceOrigin to QVTrace:
// those are two calls with the caller's argument evaluation in between, which may itself trace
// (a non-recursive lock would deadlock) and would be serialised across the client's and the scan
// thread for no gain. Per-thread fields keep each message with its own origin without any lock.
// Constant-initialised, so no per-thread constructor runs.
struct Origin {
    char file[kOriginChars + 1];
    char function[kOriginChars + 1];
    std::int32_t line;
};
thread_local Origin t_Origin = {{}, {}, -1};

void CopyCut(char (&field)[kOriginChars + 1], std::string_view text) {
    const std::size_t n = text.size() < kOriginChars ? text.size() : kOriginChars;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

std::string_view ViewOrEmpty(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// What the filters decided for one message, and how its line looks.
struct Admission {
    bool write = false;
    bool showKeyword = false;
    bool showOrigin = false;
};

// Configuration state, its periodic re-reading and the level and keyword filters. One instance,
// constant-initialised so that trace statements during static initialisation find it ready.
class TraceSettings {
public:
    Admission Admit(const char* keyword, std::int32_t level) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        std::uint32_t tick = 0;
        bool refreshDue = false;
        if (m_RefreshInterval > kMinRefreshInterval) {
            tick = m_TickSource ? m_TickSource() : platform::TickCount();
            // Signed difference: correct across the wrap of the tick count after 49.7 days.
            refreshDue = static_cast<std::int32_t>(m_NextRefresh - tick) < 0;
        }
        if (traceLevel.load(std::memory_order_relaxed) == kLevelNotRead || refreshDue) Read(tick);

        const std::int32_t current = traceLevel.load(std::memory_order_relaxed);
        // Level 0 means off also for direct calls with a level of 0 or below.
        if (current == 0 || level > current) return {};
        if (current != kAllKeywordsLevel && !m_Keywords.Matches(keyword)) return {};
        return {true, m_ShowKeyword, m_ShowOrigin.load(std::memory_order_relaxed)};
    }

    bool ShowOrigin() const { return m_ShowOrigin.load(std::memory_order_relaxed); }

    void Reset() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        traceLevel.store(kLevelNotRead, std::memory_order_relaxed);
        m_Keywords.Clear();
        m_ShowOrigin.store(true, std::memory_order_relaxed);
        m_ShowKeyword = true;
        m_RefreshInterval = 0;
        m_NextRefresh = 0;
    }

    void SetTickSource(Testing::TickSource source) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_TickSource = source;
    }

private:
    static int Integer(const char* key, int defaultValue) {
        return platform::ProfileInt(kProfileFile, kSection, key, defaultValue);
    }

    void Read(std::uint32_t tick) {
        // The interval in force before this reading; unsigned so a negative one cannot overflow.
        m_NextRefresh = tick + static_cast<std::uint32_t>(m_RefreshInterval);
        const std::int32_t level = Integer("Level", 0);
        traceLevel.store(level, std::memory_order_relaxed);
        m_ShowOrigin.store(Integer("FileFunctionLineInTrace", 1) == 1, std::memory_order_relaxed);
        m_ShowKeyword = Integer("KeywordInTrace", 1) == 1;
        m_RefreshInterval = Integer("RefreshInterval", 0);
        if (level != 0) ReadKeywords();
    }

    void ReadKeywords() {
        const std::uint32_t length = platform::ProfileString(kProfileFile, kSection, "Keywords", "",
                                                             m_Keywords.Buffer(), KeywordList::kBufferSize);
        if (length == KeywordList::kBufferSize - 1) {
            platform::DebugOutput("QVDebug::QVTrace() : Warning, user-defined keyword list too long. "
                                  "The following keywords were read:\r\n");
            platform::DebugOutput(m_Keywords.Buffer());
            platform::DebugOutput("\r\n");
        }
        m_Keywords.Accept(length);
    }

    using KeywordList = Detail::KeywordList;

    std::mutex m_Mutex;
    KeywordList m_Keywords;
    std::atomic<bool> m_ShowOrigin{true};   // also read by SetTraceOrigin, outside the lock
    bool m_ShowKeyword = true;
    std::int32_t m_RefreshInterval = 0;
    std::uint32_t m_NextRefresh = 0;
    Testing::TickSource m_TickSource = nullptr;
};

TraceSettings g_Settings;

void WriteIllegalParameter(const char* keyword, const char* format) {
    char line[kIllegalLineSize];
    std::snprintf(line, sizeof line, "Illegal parameter to QVTrace() : kw = %p, format = %p from %s(%d)\r\n",
                  static_cast<const void*>(keyword), static_cast<const void*>(format), t_Origin.file,
                  t_Origin.line);
    platform::DebugOutput(line);
}

void ComposeLine(char (&line)[kLineSize], const char* message, const char* keyword, Admission how) {
    const Origin& o = t_Origin;
    if (how.showKeyword && how.showOrigin) {
        std::snprintf(line, sizeof line, "%s '%s' Origin: %s\\%s(%d)\r\n", message, keyword, o.file,
                      o.function, o.line);
    } else if (how.showKeyword) {
        std::snprintf(line, sizeof line, "%s   '%s'\r\n", message, keyword);
    } else if (how.showOrigin) {
        std::snprintf(line, sizeof line, "%s    Origin: %s\\%s(%d)\r\n", message, o.file, o.function, o.line);
    } else {
        std::snprintf(line, sizeof line, "%s\r\n", message);
    }
}

void TraceV(const char* keyword, std::int32_t level, const char* format, std::va_list args) {
    if (!keyword || !format) {
        WriteIllegalParameter(keyword, format);
        return;
    }
    const Admission how = g_Settings.Admit(keyword, level);
    if (!how.write) return;

    char message[kMessageSize];
    if (std::vsnprintf(message, sizeof message, format, args) < 0) message[0] = '\0';
    char line[kLineSize];
    ComposeLine(line, message, keyword, how);
    platform::DebugOutput(line);
}

void StoreOrigin(const char* file, std::string_view function, std::int32_t line) {
    if (!g_Settings.ShowOrigin()) return;
    CopyCut(t_Origin.file, ViewOrEmpty(file));
    CopyCut(t_Origin.function, function);
    t_Origin.line = line;
}

}  // namespace

void QVTrace(const char* keyword, std::int32_t level, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    TraceV(keyword, level, format, args);
    va_end(args);
}

void QVTrace(std::int32_t level, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    TraceV("", level, format, args);
    va_end(args);
}

void QVTraceDefault(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    TraceV("MFC", 3, format, args);
    va_end(args);
}

void SetTraceOrigin(const char* file, const char* function, std::int32_t line) {
    StoreOrigin(file, ViewOrEmpty(function), line);
}

namespace Detail {
void SetTraceOriginFromSignature(const char* file, const char* signature, std::int32_t line) {
    StoreOrigin(file, QualifiedFunctionName(ViewOrEmpty(signature)), line);
}
}  // namespace Detail

namespace Testing {
void Reset() {
    g_Settings.Reset();
    t_Origin = {{}, {}, -1};
}

void SetTickSource(TickSource source) { g_Settings.SetTickSource(source); }
}  // namespace Testing

}  // namespace tarn::QVDebug

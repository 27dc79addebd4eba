// Process-wide diagnostics trace. A statement carries a keyword (which subsystem speaks) and a
// level; whether it is written is decided at run time by the "QvDebug" section of "CoralDSP.ini".
// Lines go to the debugger output channel (platform::DebugOutput), one line per message.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

// Callers' formats are checked like printf's; mingw's printf family follows its ANSI-stdio choice.
#if defined(__MINGW32__)
#define QV_TRACE_PRINTF(formatIndex, firstArg) \
    __attribute__((format(__MINGW_PRINTF_FORMAT, formatIndex, firstArg)))
#elif defined(__GNUC__) || defined(__clang__)
#define QV_TRACE_PRINTF(formatIndex, firstArg) __attribute__((format(printf, formatIndex, firstArg)))
#else
#define QV_TRACE_PRINTF(formatIndex, firstArg)
#endif

namespace tarn::QVDebug {

// 119 until the configuration has been read, then its "Level"; 0 switches tracing off. Atomic so
// that trace statements on the scan thread may test it without a lock (relaxed: a stale value
// costs at most one call into QVTrace, which decides again under its own lock).
extern std::atomic<std::int32_t> traceLevel;

// Filters, formats and writes one line. Null keyword or format writes the illegal-parameter line.
void QVTrace(const char* keyword, std::int32_t level, const char* format, ...) QV_TRACE_PRINTF(3, 4);
// Same with the empty keyword.
void QVTrace(std::int32_t level, const char* format, ...) QV_TRACE_PRINTF(2, 3);
// Keyword "MFC" at level 3. A name of its own: as an overload of QVTrace, a call such as
// ("%s %d", 5, "x") would silently pick the keyword form.
void QVTraceDefault(const char* format, ...) QV_TRACE_PRINTF(1, 2);

// Stores the source location of the calling thread's next trace, each text cut to 260
// characters. Does nothing while the configuration has the origin switched off.
void SetTraceOrigin(const char* file, const char* function, std::int32_t line);

namespace Detail {
// SetTraceOrigin with the function given as the compiler's full signature; only its qualified
// name ("CQVDataRecorderReader::ReadGenFeBlock") goes into the origin.
void SetTraceOriginFromSignature(const char* file, const char* signature, std::int32_t line);
}  // namespace Detail

}  // namespace tarn::QVDebug

#if defined(__GNUC__) || defined(__clang__)
#define QV_TRACE_SIGNATURE __PRETTY_FUNCTION__
#elif defined(_MSC_VER)
#define QV_TRACE_SIGNATURE __FUNCSIG__
#else
#define QV_TRACE_SIGNATURE __func__
#endif

// QV_TRACE(keyword, level, format, ...): while tracing is off this is one comparison and no
// argument is evaluated.
#define QV_TRACE(keyword, level, ...)                                                              \
    do {                                                                                           \
        if (::tarn::QVDebug::traceLevel.load(std::memory_order_relaxed) != 0) {                          \
            ::tarn::QVDebug::Detail::SetTraceOriginFromSignature(__FILE__, QV_TRACE_SIGNATURE, __LINE__); \
            ::tarn::QVDebug::QVTrace((keyword), (level), __VA_ARGS__);                                   \
        }                                                                                          \
    } while (0)

// POSIX implementation of the process services: Windows-1252 for ANSI text, UTF-8 file names,
// the locale named by the environment, CLOCK_MONOTONIC, standard error as the debugger channel.
#include "platform/platform.h"
#include "platform/Ascii.h"
#include "platform/platform_os.h"

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace tarn::platform {

// ---- Text -----------------------------------------------------------------------------------

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to the C1
// control of the same value, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252ToUnit(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
}

// The byte for a UTF-16 unit, or '?' when Windows-1252 has no such character.
char UnitToCp1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == unit) return static_cast<char>(0x80 + i);
    return '?';
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Decodes one UTF-8 character at text[i], advancing i. Malformed input gives U+FFFD for each
// maximal ill-formed subpart (so a truncated sequence costs one replacement, not one per byte).
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;   // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) { extra = 1; cp = lead & 0x1F; }
    else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2; cp = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0;        // overlong
        if (lead == 0xED) hi = 0x9F;        // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3; cp = lead & 0x07;
        if (lead == 0xF0) lo = 0x90;        // overlong
        if (lead == 0xF4) hi = 0x8F;        // above U+10FFFF
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k, lo = 0x80, hi = 0xBF) {
        if (i >= text.size()) return 0xFFFD;
        const unsigned char next = static_cast<unsigned char>(text[i]);
        if (next < lo || next > hi) return 0xFFFD;
        cp = (cp << 6) | (next & 0x3F);
        ++i;
    }
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::u16string AnsiToWide(std::string_view ansi) {
    std::u16string wide(ansi.size(), u'\0');
    for (std::size_t i = 0; i < ansi.size(); ++i)
        wide[i] = Cp1252ToUnit(static_cast<unsigned char>(ansi[i]));
    return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
    std::string ansi;
    ansi.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        // A surrogate pair is one character: one '?'.
        if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) ++i;
        ansi += UnitToCp1252(wide[i]);
    }
    return ansi;
}

std::u16string FileNameToWide(std::string_view name) {
    std::u16string wide;
    wide.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const char32_t cp = DecodeUtf8(name, i);
        if (cp >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(cp);
        }
    }
    return wide;
}

std::string FileNameFromWide(std::u16string_view wide) {
    std::string name;
    name.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t unit = wide[i];
        if (IsHighSurrogate(unit) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
            AppendUtf8(name, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            name += '?';   // a lone surrogate has no UTF-8 form
        } else {
            AppendUtf8(name, unit);
        }
    }
    return name;
}

// ---- Decimal separator ----------------------------------------------------------------------

namespace {

const char* EnvironmentLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return nullptr;
}

// When the named locale is not installed: languages whose usual decimal separator is a comma,
// with the few countries where that language uses a point.
char16_t SeparatorByLanguage(std::string_view name) {
    static const char* const kCommaLanguages[] = {
        "af", "az", "be", "bg", "bs", "ca", "cs", "da", "de", "el", "es", "et", "eu", "fi",
        "fo", "fr", "gl", "hr", "hu", "hy", "id", "is", "it", "ka", "kk", "ky", "lt", "lv",
        "mk", "mn", "nb", "nl", "nn", "no", "pl", "pt", "ro", "ru", "sk", "sl", "sq", "sr",
        "sv", "tr", "uk", "uz", "vi"};
    static const char* const kPointCountries[] = {"de_CH", "de_LI", "es_MX", "es_US"};
    const std::string_view locale = name.substr(0, name.find_first_of(".@"));
    for (const char* country : kPointCountries)
        if (locale == country) return u'.';
    const std::string_view language = locale.substr(0, locale.find('_'));
    for (const char* comma : kCommaLanguages)
        if (language == comma) return u',';
    return u'.';
}

}  // namespace

char16_t UserDecimalSeparator() {
    const char* name = EnvironmentLocaleName();
    if (!name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) return u'.';
    // A locale object of its own: setlocale would change the host process's locale. One thread at
    // a time: the C library shares locale data between threads under locks of its own, which the
    // thread sanitizer cannot see.
    static std::mutex localeMutex;
    const std::lock_guard<std::mutex> lock(localeMutex);
    locale_t locale = newlocale(LC_NUMERIC_MASK, name, locale_t(0));
    if (!locale) return SeparatorByLanguage(name);
    std::string_view radix = nl_langinfo_l(RADIXCHAR, locale);
    char32_t cp = u'.';
    if (!radix.empty()) {
        std::size_t i = 0;
        cp = DecodeUtf8(radix, i);
        if (cp == 0xFFFD || cp > 0xFFFF) cp = u'.';   // not UTF-8, or outside the BMP
    }
    freelocale(locale);
    return static_cast<char16_t>(cp);
}

// ---- Time -----------------------------------------------------------------------------------

std::uint32_t TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms = std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

bool LocalTime64(std::int64_t seconds, std::tm& out) {
    // The Windows runtime's range, so that both builds accept the same time stamps.
    constexpr std::int64_t kMaxTime64 = 32535215999;
    if (seconds < 0 || seconds > kMaxTime64) return false;
    const time_t t = static_cast<time_t>(seconds);
    return static_cast<std::int64_t>(t) == seconds && localtime_r(&t, &out) != nullptr;
}

// ---- Profile directory ----------------------------------------------------------------------

std::string ProfileDirectory() {
    const char* dir = std::getenv("TARN_CONFIG_DIR");
    std::string path = dir && *dir ? dir : "/etc";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// ---- File search ----------------------------------------------------------------------------

namespace {

// '*' (any run) and '?' (one character), everything else literal and ASCII case ignored, as
// on Windows. fnmatch is not used: it gives '[' and '\\' meanings Windows patterns lack.
bool WildcardMatch(const char* pattern, const char* name) {
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || UpperAscii(*pattern) == UpperAscii(*name)) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

bool FirstMatchingFile(const std::string& pattern, std::string& foundName) {
    const std::size_t separator = pattern.find_last_of("/\\");
    const std::string dir = separator == std::string::npos ? "."
                            : separator == 0               ? "/"
                                                           : pattern.substr(0, separator);
    const std::string mask = separator == std::string::npos ? pattern : pattern.substr(separator + 1);
    if (mask.empty() || pattern.find('\0') != std::string::npos) return false;
    DIR* stream = opendir(dir.c_str());
    if (!stream) return false;
    bool found = false;
    while (const dirent* entry = readdir(stream)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (!WildcardMatch(mask.c_str(), name)) continue;
        if (!found || std::strcmp(name, foundName.c_str()) < 0) foundName = name;
        found = true;
    }
    closedir(stream);
    return found;
}

// ---- Streams and the debugger channel -------------------------------------------------------

namespace os {

// Regular files only, as on Windows: a directory would open here and then fail every read, and
// opening a FIFO could block forever (so the open itself does not wait). Close-on-exec, because
// the component lives in someone else's process.
std::FILE* OpenStream(const std::string& name, const char* mode) {
    if (name.empty() || name.find('\0') != std::string::npos) return nullptr;
    const std::string_view m = mode;
    const int access = m == "rb" ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    const int fd = open(name.c_str(), access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return nullptr;
    struct stat info {};
    std::FILE* file = nullptr;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
        file = fdopen(fd, mode);
    if (!file) close(fd);
    return file;
}

int SeekStream(std::FILE* file, std::int64_t position) {
    return fseeko(file, static_cast<off_t>(position), SEEK_SET);
}

std::int64_t TellStream(std::FILE* file) { return ftello(file); }

std::size_t ReadStream(void* data, std::size_t bytes, std::FILE* file) {
#ifdef __GLIBC__
    return fread_unlocked(data, 1, bytes, file);
#else
    return std::fread(data, 1, bytes, file);
#endif
}

std::size_t WriteStream(const void* data, std::size_t bytes, std::FILE* file) {
#ifdef __GLIBC__
    return fwrite_unlocked(data, 1, bytes, file);
#else
    return std::fwrite(data, 1, bytes, file);
#endif
}

std::int64_t StreamLength(std::FILE* file) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0) return -1;
    return info.st_size;
}

int TruncateStream(std::FILE* file, std::int64_t length) {
    return ftruncate(fileno(file), static_cast<off_t>(length));
}

void WriteDebuggerLine(const char* line) { std::fputs(line, stderr); }

}  // namespace os
void AdviseHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    constexpr std::size_t kWorthIt = kHuge;
    if (!block || bytes < kWorthIt) return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

void PrefaultForWriting([[maybe_unused]] const MemoryRegion& region) {
#if defined(__linux__)
    // Kernels before 5.14 do not know the request and refuse it: nothing is lost then.
    constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE, missing from older headers
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(region.data) & ~(kPage - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(region.data) + region.bytes;
    if (region.data && region.bytes > 0) madvise(reinterpret_cast<void*>(begin), end - begin, kPopulateWrite);
#endif
}

}  // namespace tarn::platform

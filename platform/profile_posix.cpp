// Profile (ini) files on POSIX, read the way the Windows profile functions read them. The file is
// streamed line by line with a bounded line buffer, and reading stops at the first answer.
#include "platform/Ascii.h"
#include "platform/platform.h"
#include "platform/platform_os.h"

#include <cstdio>
#include <cstring>

namespace tarn::platform {

namespace {

// Longest line kept; the rest of a longer line is skipped.
constexpr std::size_t kMaxLine = 64 * 1024;
// The Windows integer reader parses the value as read into a 30-character buffer.
constexpr std::size_t kIntegerDigits = 29;

bool IsProfileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsProfileSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsProfileSpace(text.back())) text.remove_suffix(1);
    return text;
}

// A regular file opened for reading, closed on scope exit. Anything else (a directory, a FIFO,
// a device) is treated as absent: it could block or never end.
class ProfileFile {
public:
    explicit ProfileFile(const std::string& path) : m_File(os::OpenStream(path, "rb")) {}
    ~ProfileFile() {
        if (m_File) std::fclose(m_File);
    }
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    bool IsOpen() const { return m_File != nullptr; }

    // The next line without its line end ('\n' or '\r'), cut to kMaxLine. False at the end.
    bool NextLine(std::string& line) {
        line.clear();
        int c = getc_unlocked(m_File);
        if (c == EOF) return false;
        for (; c != EOF && c != '\n' && c != '\r'; c = getc_unlocked(m_File))
            if (line.size() < kMaxLine) line += static_cast<char>(c);
        return true;
    }

private:
    std::FILE* const m_File;
};

std::string ResolveProfilePath(const char* file) {
    if (std::strchr(file, '/')) return file;
    return ProfileDirectory() + "/" + file;
}

// The value of section/key as written (quotes and all), or false when the file, section or key is absent. Only
// the first section of that name is searched (keys before any section header belong to the
// nameless section).
bool LookUp(const char* file, const char* section, const char* key, std::string& value) {
    const std::string_view wantedSection = Trim(section);
    const std::string_view wantedKey = Trim(key);
    if (wantedKey.empty()) return false;
    ProfileFile profile(ResolveProfilePath(file));
    if (!profile.IsOpen()) return false;

    bool inSection = wantedSection.empty();
    std::string text;
    bool firstLine = true;
    bool utf8 = false;
    while (profile.NextLine(text)) {
        if (firstLine && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            // A UTF-8 file: its text is read in the ANSI code page, like the requests.
            utf8 = true;
            text.erase(0, 3);
        }
        firstLine = false;
        if (utf8) text = WideToAnsi(FileNameToWide(text));
        const std::string_view line = Trim(text);
        if (line.empty()) continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                if (inSection) return false;
                inSection = EqualIgnoringCase(Trim(line.substr(1, close - 1)), wantedSection);
                continue;
            }
            // Without a closing bracket the line is read as a key.
        }
        if (!inSection) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (EqualIgnoringCase(line, wantedKey)) return false;   // a key without a value
            continue;
        }
        if (!EqualIgnoringCase(Trim(line.substr(0, equals)), wantedKey)) continue;
        value.assign(Trim(line.substr(equals + 1)));
        return true;
    }
    return false;
}

// Matching quotes around a value (or default) are dropped.
std::string_view Unquote(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

// As the Windows reader parses: leading blanks and controls, an optional sign, then digits in
// base 10, or after a lower-case prefix "0x", "0o" or "0b" in base 16, 8 or 2; the first
// non-digit ends the number, which wraps at 32 bits.
int ParseInteger(std::string_view text) {
    text = text.substr(0, kIntegerDigits);
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char prefix = text[i + 1];
        base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
        if (base != 10) i += 2;
    }
    std::uint32_t total = 0;
    for (int digit; i < text.size() && (digit = DigitValue(text[i])) < base; ++i)
        total = total * std::uint32_t(base) + std::uint32_t(digit);
    if (negative) total = 0u - total;
    return static_cast<int>(total);
}

}  // namespace

int ProfileInt(const char* file, const char* section, const char* key, int defaultValue) {
    if (!file || !section || !key) return defaultValue;
    std::string value;
    if (!LookUp(file, section, key, value)) return defaultValue;
    const std::string_view text = Unquote(value);
    return text.empty() ? defaultValue : ParseInteger(text);
}

std::uint32_t ProfileString(const char* file, const char* section, const char* key,
                            const char* defaultValue, char* buffer, std::uint32_t size) {
    if (!buffer || size == 0) return 0;
    std::string value;
    std::string_view result;
    if (file && section && key && LookUp(file, section, key, value)) {
        result = value;
    } else {
        result = defaultValue ? defaultValue : "";
        while (!result.empty() && result.back() == ' ') result.remove_suffix(1);   // as Windows does
    }
    result = Unquote(result);
    const std::size_t count = result.size() < size - 1 ? result.size() : size - 1;
    std::memcpy(buffer, result.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

}  // namespace tarn::platform

// Windows implementation of the process services: thin wrappers over Win32 and the C runtime.
#include "platform/platform.h"
#include "platform/platform_os.h"

#include <windows.h>
#include <io.h>


#include <stdexcept>

namespace tarn::platform {

// ---- Text -----------------------------------------------------------------------------------

namespace {

int CheckedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long to convert");
    return static_cast<int>(size);
}

}  // namespace

std::u16string AnsiToWide(std::string_view ansi) {
    const int length = CheckedLength(ansi.size());
    if (length == 0) return {};
    const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, reinterpret_cast<wchar_t*>(&wide[0]), units);
    return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
    const int length = CheckedLength(wide.size());
    if (length == 0) return {};
    const wchar_t* source = reinterpret_cast<const wchar_t*>(wide.data());
    // No best fit: a character the code page lacks becomes '?', not a look-alike (which could
    // turn a harmless character into a path separator). A UTF-8 system code page takes neither
    // the flag nor a default character.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* defaultChar = utf8 ? nullptr : "?";
    const int bytes = WideCharToMultiByte(CP_ACP, flags, source, length, nullptr, 0, defaultChar, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, flags, source, length, &ansi[0], bytes, defaultChar, nullptr);
    return ansi;
}

std::u16string FileNameToWide(std::string_view name) { return AnsiToWide(name); }

std::string FileNameFromWide(std::u16string_view wide) { return WideToAnsi(wide); }

char16_t UserDecimalSeparator() {
    wchar_t separator[4] = {};   // at most three characters and the terminator
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4) == 0 || separator[0] == 0)
        return u'.';
    return static_cast<char16_t>(separator[0]);
}

// ---- Time -----------------------------------------------------------------------------------

std::uint32_t TickCount() { return GetTickCount(); }

bool LocalTime64(std::int64_t seconds, std::tm& out) {
    const __time64_t t = seconds;
    return _localtime64_s(&out, &t) == 0;
}

// ---- Profile files --------------------------------------------------------------------------

std::string ProfileDirectory() {
    std::string dir(MAX_PATH, '\0');
    UINT length = GetWindowsDirectoryA(&dir[0], static_cast<UINT>(dir.size()));
    if (length >= dir.size()) {
        dir.resize(length);
        length = GetWindowsDirectoryA(&dir[0], length);
    }
    dir.resize(length < dir.size() ? length : 0);
    return dir;
}

// Null names are read as empty ones (the default comes back) rather than as the Windows
// requests to enumerate sections or keys or to read win.ini.
int ProfileInt(const char* file, const char* section, const char* key, int defaultValue) {
    if (!file || !section || !key) return defaultValue;
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, file));
}

std::uint32_t ProfileString(const char* file, const char* section, const char* key,
                            const char* defaultValue, char* buffer, std::uint32_t size) {
    if (!buffer || size == 0) return 0;
    return GetPrivateProfileStringA(section ? section : "", key ? key : "",
                                    defaultValue ? defaultValue : "", buffer, size, file ? file : "");
}

// ---- File search ----------------------------------------------------------------------------

bool FirstMatchingFile(const std::string& pattern, std::string& foundName) {
    __finddata64_t data{};
    const intptr_t search = _findfirst64(pattern.c_str(), &data);
    if (search == -1) return false;
    bool found = false;
    do {
        const std::string_view name = data.name;
        if (name != "." && name != "..") {
            foundName = data.name;
            found = true;
        }
    } while (!found && _findnext64(search, &data) == 0);
    _findclose(search);
    return found;
}

// ---- Streams and the debugger channel -------------------------------------------------------

namespace os {

std::FILE* OpenStream(const std::string& name, const char* mode) {
    if (name.empty() || name.find('\0') != std::string::npos) return nullptr;
    std::string flags = mode;
    flags += 'N';   // not inherited: the component lives in someone else's process
    return std::fopen(name.c_str(), flags.c_str());
}

int SeekStream(std::FILE* file, std::int64_t position) { return _fseeki64(file, position, SEEK_SET); }

std::int64_t TellStream(std::FILE* file) { return _ftelli64(file); }

// msvcrt.dll, the runtime this toolchain links against, has no _fread_nolock/_fwrite_nolock
// import; its locking fread costs an uncontended critical section per call, which per block
// of data is noise.
std::size_t ReadStream(void* data, std::size_t bytes, std::FILE* file) { return std::fread(data, 1, bytes, file); }

std::size_t WriteStream(const void* data, std::size_t bytes, std::FILE* file) {
    return std::fwrite(data, 1, bytes, file);
}

std::int64_t StreamLength(std::FILE* file) { return _filelengthi64(_fileno(file)); }

int TruncateStream(std::FILE* file, std::int64_t length) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER at;
    at.QuadPart = length;
    return handle != INVALID_HANDLE_VALUE && SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle)
               ? 0
               : -1;
}

void WriteDebuggerLine(const char* line) { OutputDebugStringA(line); }

}  // namespace os
// Large pages on Windows need a privilege that a component cannot assume.
void AdviseHugePages(void*, std::size_t) {}

void PrefaultForWriting(const MemoryRegion&) {}

}  // namespace tarn::platform

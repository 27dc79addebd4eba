// Process services under this project's own names. One implementation per operating system
// (platform_win32.cpp, platform_posix.cpp); nothing above this layer asks which one it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace tarn::platform {

// ---- Text -----------------------------------------------------------------------------------
// The system's ANSI code page (POSIX: Windows-1252) to UTF-16 and back. Characters the code page
// lacks become '?' (never a "best fit" look-alike). Conversion does not stop at embedded NULs:
// the whole view is converted. Views longer than INT_MAX throw std::length_error on Windows.
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);

// File names as the component stores them (Windows: ANSI code page; POSIX: UTF-8, the native
// file-name encoding) to UTF-16 and back. POSIX: each malformed UTF-8 sequence becomes U+FFFD,
// each unpaired surrogate '?'.
std::u16string FileNameToWide(std::string_view name);
std::string FileNameFromWide(std::u16string_view wide);

// The first character of the user's decimal separator (Windows: LOCALE_SDECIMAL of the user's
// default locale; POSIX: the locale the environment names in LC_ALL, LC_NUMERIC or LANG, read
// without changing the process's own locale). '.' when nothing better is known.
char16_t UserDecimalSeparator();

// ---- Time -----------------------------------------------------------------------------------
// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
std::uint32_t TickCount();
// Local broken-down time (the process's time zone) of a 64-bit time_t value. False when it
// cannot be represented: outside 1970 to the end of year 3000 on both platforms.
bool LocalTime64(std::int64_t seconds, std::tm& out);

// ---- Debugger output ------------------------------------------------------------------------
// Writes one line (already carrying its own line end) to the debugger output channel (Windows:
// OutputDebugStringA; POSIX: standard error). A sink set here receives the lines instead, on
// both platforms, so that tests can capture them. Passing nullptr restores the default.
// Process-wide and thread-safe: sink calls are serialised, and once SetDebugOutputSink returns
// the previous sink is never called again. A sink must not call DebugOutput itself.
using DebugSink = void (*)(const char* line, void* context);
void SetDebugOutputSink(DebugSink sink, void* context);
void DebugOutput(const char* line);

// ---- Profile (ini) files --------------------------------------------------------------------
// The Windows profile rules: a bare file name (no directory part) is looked for in the
// configuration directory (Windows: the Windows directory; POSIX: $TARN_CONFIG_DIR, else /etc).
// The folder a bare profile file name resolves to (no trailing separator).
std::string ProfileDirectory();
// Section and key names match ignoring ASCII case and surrounding whitespace; the first section
// of a name is the only one searched and its first matching key wins. Whitespace around values
// is ignored; a value (or default) in matching single or double quotes loses them. A file that
// starts with the UTF-8 mark is UTF-8 text. The file is read afresh on every call.
// Integer: the leading digits of the value, after an optional sign (decimal, or hexadecimal,
// octal or binary after a lower-case "0x", "0o" or "0b"), wrapping at 32 bits; no digits give 0;
// an empty value, or an absent key, section or file gives the default.
int ProfileInt(const char* file, const char* section, const char* key, int defaultValue);
// String: copies the value (or the default, less its trailing spaces) into buffer, cut to
// size - 1 characters and always NUL-terminated, and returns the number of characters copied, as
// GetPrivateProfileStringA does (size - 1 when the value did not fit; 0 and nothing written when
// size is 0). Null names give the default.
std::uint32_t ProfileString(const char* file, const char* section, const char* key,
                            const char* defaultValue, char* buffer, std::uint32_t size);

// ---- Memory -------------------------------------------------------------------------------
// A hint that a large block is about to be filled: where the system hands out huge pages on
// request (Linux), its first-touch faults become rare. Does nothing for small blocks or elsewhere.
void AdviseHugePages(void* block, std::size_t bytes);
// A block of memory that a thread will write soon.
struct MemoryRegion {
    void* data = nullptr;
    std::size_t bytes = 0;
};
// Has the system map the region's pages for writing now (Linux), so that the thread that writes
// them later takes no first-touch faults: another thread can take that cost. Changes no contents,
// so it is safe while other threads write the region. Does nothing where the system cannot.
void PrefaultForWriting(const MemoryRegion& region);

// ---- Files ----------------------------------------------------------------------------------
// Bytes this process has read from files so far, through File and RandomAccessFile: a
// measurement can show with it that an operation read nothing.
std::uint64_t FileBytesRead();
// Calls made on files so far through File and RandomAccessFile to read, move or ask the position
// (a batch of reads handed to the kernel counts once): each may cost a system call, so a
// measurement can show with it that a walk makes few.
std::uint64_t FileCalls();
// The first file matching a pattern ("dir\\*.REC"; '*' and '?' in the last component only):
// the matching name without its directory. False when nothing matches; "." and ".." never match.
// Windows: the file system's order and case rules. POSIX: '/' and '\\' both end the directory,
// names match ignoring ASCII case (a recorder's upper-case names are often lower-cased by a copy)
// and the bytewise first match is taken, since directory order means nothing there.
bool FirstMatchingFile(const std::string& pattern, std::string& foundName);

// A buffered binary stream with 64-bit positions, open for reading or for writing. Reads and
// writes do not lock the stream (one thread uses a File at a time). Not copyable; movable.
class File {
public:
    enum class Mode { Read, Create };

    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    // name is a stored file name (see FileNameToWide). Create truncates or creates.
    bool Open(const std::string& name, Mode mode);
    void Close();
    bool IsOpen() const { return m_File != nullptr; }

    // Sets the stream buffer size; call right after Open, before any I/O. 0 means unbuffered.
    // The buffer belongs to the File and is reused by later Opens.
    void SetBufferSize(std::size_t bytes);

    std::size_t Read(void* data, std::size_t bytes);   // bytes actually read
    std::size_t Write(const void* data, std::size_t bytes);
    bool Seek(std::int64_t position);                  // absolute
    std::int64_t Tell();                               // -1 on failure
    std::int64_t Length();                             // -1 on failure; leaves the position alone;
                                                       // counts data still in the write buffer
    bool Flush();
    // Cuts the file to length bytes and moves there. Whatever the stream still buffers is written
    // out first, as far as it goes, so that nothing buffered lands behind the cut later.
    bool Truncate(std::int64_t length);

private:
    enum class LastOp { None, Read, Write };
    void MoveFrom(File& other) noexcept;

    std::FILE* m_File = nullptr;
    LastOp m_LastOp = LastOp::None;
    std::unique_ptr<char[]> m_Buffer;
    std::size_t m_BufferSize = 0;
};

// ---- File faults, for tests ------------------------------------------------------------------
// Faults that every File and RandomAccessFile of the process meets while a plan is set, so that
// tests can drive the failure paths of the layers above on every platform. No plan by default.
struct FileFaults {
    std::int64_t readBytes = -1;   // bytes reads may still deliver; after them reads fail (-1: no end)
    std::size_t readChunk = 0;     // a read delivers at most this many bytes (0: no limit)
    std::int64_t writeBytes = -1;  // bytes writes may still take, as a disk with that much room (-1: no end)
    bool seeksFail = false;
};
void SetFileFaults(const FileFaults& faults);
void ClearFileFaults();

}  // namespace tarn::platform

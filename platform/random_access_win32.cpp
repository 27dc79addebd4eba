// RandomAccessFile on Windows: a handle read with an OVERLAPPED offset, which a synchronous
// handle honours per call.
#include "platform/RandomAccessFile.h"
#include "platform/platform_os.h"

#include <windows.h>

namespace tarn::platform {

namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

// The name is in the ANSI code page, as the stream functions take it. Others may keep the file
// open for writing (the recorder, or this component's own stream).
bool RandomAccessFile::Open(const std::string& name) {
    Close();
    if (name.empty() || name.find('\0') != std::string::npos) return false;
    SECURITY_ATTRIBUTES noInherit{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &noInherit,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return false;
    }
    m_Handle = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

void RandomAccessFile::Release() { CloseHandle(AsHandle(m_Handle)); }

void RandomAccessFile::ReadBatch(ReadRequest* requests, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        requests[i].done = ReadAt(requests[i].offset, requests[i].data, requests[i].bytes);
}

std::size_t RandomAccessFile::ReadSome(std::int64_t offset, unsigned char* data, std::size_t bytes) const {
    const auto at = static_cast<std::uint64_t>(offset);
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const std::size_t allowed = os::AllowedRead(bytes);
    if (allowed == 0) return 0;
    const DWORD want = allowed > 0x40000000u ? 0x40000000u : static_cast<DWORD>(allowed);
    DWORD got = 0;
    os::CountFileCall();
    if (!ReadFile(AsHandle(m_Handle), data, want, &got, &where)) return 0;
    os::CountFileBytesRead(got);
    return got;
}

}  // namespace tarn::platform

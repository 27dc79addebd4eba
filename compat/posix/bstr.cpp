// BSTR: [32-bit byte length][text][NUL character], the pointer handed out points at the text.
#include "compat/posix/internal.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);
// Two NUL bytes end the text; a third makes a whole NUL character after an odd byte length.
constexpr std::size_t kTerminatorBytes = 3;
// The largest byte length whose whole block still has a size that fits in 32 bits.
constexpr std::uint64_t kMaxByteLength =
    std::numeric_limits<std::uint32_t>::max() - kPrefixBytes - kTerminatorBytes;

char* BlockOf(BSTR text) { return reinterpret_cast<char*>(text) - kPrefixBytes; }

// A BSTR of byteLength bytes copied from source, or zeroed when source is null.
BSTR Allocate(const void* source, std::uint64_t byteLength) {
    if (byteLength > kMaxByteLength) return nullptr;
    const std::uint32_t length = static_cast<std::uint32_t>(byteLength);
    char* block = static_cast<char*>(std::malloc(kPrefixBytes + length + kTerminatorBytes));
    if (!block) return nullptr;
    std::memcpy(block, &length, kPrefixBytes);
    char* text = block + kPrefixBytes;
    if (source)
        std::memcpy(text, source, length);
    else
        std::memset(text, 0, length);
    std::memset(text + length, 0, kTerminatorBytes);
    return reinterpret_cast<BSTR>(text);
}

std::size_t CharacterCount(const OLECHAR* text) {
    std::size_t count = 0;
    while (text[count] != 0) ++count;
    return count;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    return Allocate(strIn, std::uint64_t(ui) * sizeof(OLECHAR));
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    return Allocate(psz, std::uint64_t(CharacterCount(psz)) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return Allocate(psz, len); }

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
    if (!pbstr) return FALSE;
    // The new text may come from the old string, so copy before freeing.
    BSTR replacement = SysAllocStringLen(psz, len);
    if (!replacement) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = replacement;
    return TRUE;
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
    if (!pbstr) return FALSE;
    if (!psz) {
        SysFreeString(*pbstr);
        *pbstr = nullptr;
        return TRUE;
    }
    const std::size_t count = CharacterCount(psz);
    if (count > kMaxByteLength / sizeof(OLECHAR)) return FALSE;
    return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(count));
}

void SysFreeString(BSTR bstrString) {
    if (bstrString) std::free(BlockOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr) {
    if (!bstr) return 0;
    std::uint32_t length;
    std::memcpy(&length, BlockOf(bstr), kPrefixBytes);
    return length;
}

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }

namespace tarn::compat {

bool CopyBstr(BSTR source, BSTR& copy) {
    copy = nullptr;
    if (!source) return true;
    copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
    return copy != nullptr;
}

}  // namespace tarn::compat

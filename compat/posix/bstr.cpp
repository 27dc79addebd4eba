// BSTR: [32-bit byte length][text][NUL character], the pointer handed out points at the text.
#include "compat/posix/internal.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);
constexpr std::size_t kTerminatorBytes = sizeof(OLECHAR);
// The largest byte length whose whole block still has a size that fits in 32 bits.
constexpr std::uint64_t kMaxByteLength =
    std::numeric_limits<std::uint32_t>::max() - kPrefixBytes - kTerminatorBytes;

char* BlockOf(BSTR text) { return reinterpret_cast<char*>(text) - kPrefixBytes; }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    const std::uint64_t byteLength = std::uint64_t(ui) * sizeof(OLECHAR);
    if (byteLength > kMaxByteLength) return nullptr;
    const std::uint32_t length = static_cast<std::uint32_t>(byteLength);
    char* block = static_cast<char*>(std::malloc(kPrefixBytes + length + kTerminatorBytes));
    if (!block) return nullptr;
    std::memcpy(block, &length, kPrefixBytes);
    char* text = block + kPrefixBytes;
    if (strIn)
        std::memcpy(text, strIn, length);
    else
        std::memset(text, 0, length);
    std::memset(text + length, 0, kTerminatorBytes);
    return reinterpret_cast<BSTR>(text);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString) std::free(BlockOf(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
    if (!pbstr) return 0;
    std::uint32_t length;
    std::memcpy(&length, BlockOf(pbstr), kPrefixBytes);
    return length / sizeof(OLECHAR);
}

namespace tarn::compat {

bool CopyBstr(BSTR source, BSTR& copy) {
    copy = nullptr;
    if (!source) return true;
    copy = SysAllocStringLen(source, SysStringLen(source));
    return copy != nullptr;
}

}  // namespace tarn::compat

// Memory handed to clients: task-allocator arrays, BSTRs and VARIANTs. The client owns what
// these return and frees it with CoTaskMemFree, SysFreeString or VariantClear.
#pragma once

#include "compat/compat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tarn::component {

// The largest result array handed out. A range of sample numbers can ask for up to 2^32 slots
// (16 GiB of 32-bit samples); no client can use such a block, and asking the allocator for it
// could take the machine's memory. Larger requests fail like an allocation failure.
inline constexpr std::uint64_t kMaxResultBytes = std::uint64_t{1} << 31;

struct CoTaskMemDeleter {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};
using UniqueTaskMem = std::unique_ptr<void, CoTaskMemDeleter>;

// count slots of slotBytes each from the task allocator, uninitialised; empty when the size is
// above kMaxResultBytes or the allocator fails.
UniqueTaskMem AllocResultArray(std::uint64_t count, std::size_t slotBytes);

// A new BSTR holding text; throws std::bad_alloc when it cannot be allocated.
BSTR NewBstr(std::u16string_view text);
// The same from text in the ANSI code page.
BSTR AnsiToBstr(std::string_view ansi);

// *out (uninitialised on entry) becomes VT_EMPTY for an empty list, else VT_ARRAY | VT_I4 with a
// one-dimensional SAFEARRAY of the values, lower bound 1. Throws std::bad_alloc when the array
// cannot be created; *out is then VT_EMPTY.
void I4ListToVariant(const std::vector<std::int32_t>& values, VARIANT* out);

}  // namespace tarn::component

// The task allocator: the C heap; a size of 0 still gives a block.
#include "compat/posix/com.h"

#include <cstdint>
#include <cstdlib>

#include "platform/platform.h"

// Large client arrays (a whole channel's samples) are fresh memory that the client receives
// filled: huge pages keep the first-touch faults from costing more than the copy itself. They
// start on a huge page, and from 16 MiB on cover whole ones (at most an eighth more), or the
// unaligned ends (up to 4 MiB) would still be faulted in small pages: in a virtual machine a
// third of a 64 MiB result's time.
LPVOID CoTaskMemAlloc(SIZE_T cb) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (cb >= kHuge && cb <= SIZE_MAX - kHuge) {
        const std::size_t bytes = cb >= 8 * kHuge ? (cb + kHuge - 1) & ~(kHuge - 1) : cb;
        void* block = nullptr;
        if (posix_memalign(&block, kHuge, bytes) != 0) return nullptr;
        tarn::platform::AdviseHugePages(block, bytes);
        return block;
    }
    return std::malloc(cb != 0 ? cb : 1);
}

void CoTaskMemFree(LPVOID pv) { std::free(pv); }

// The task allocator: the C heap, with the Windows rules for sizes of 0.
#include "compat/posix/com.h"

#include <cstdlib>

#include "platform/platform.h"

// Large client arrays (a whole channel's samples) are fresh memory that the client receives
// filled: huge pages keep the first-touch faults from costing more than the copy itself.
LPVOID CoTaskMemAlloc(SIZE_T cb) {
    void* block = std::malloc(cb != 0 ? cb : 1);
    tarn::platform::AdviseHugePages(block, cb);
    return block;
}

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
    if (!pv) return CoTaskMemAlloc(cb);
    if (cb == 0) {
        std::free(pv);
        return nullptr;
    }
    void* block = std::realloc(pv, cb);
    tarn::platform::AdviseHugePages(block, cb);
    return block;
}

void CoTaskMemFree(LPVOID pv) { std::free(pv); }

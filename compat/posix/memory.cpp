// The task allocator: the C heap; a size of 0 still gives a block.
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

void CoTaskMemFree(LPVOID pv) { std::free(pv); }

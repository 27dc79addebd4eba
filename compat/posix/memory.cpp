// The task allocator: the C heap; a size of 0 still gives a block.
#include "compat/posix/com.h"

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/platform.h"

namespace {

constexpr std::size_t kHuge = std::size_t{2} << 20;
// The largest block kept for reuse once freed: a channel of an hour at 48 kHz in 32-bit samples
// is about 700 MiB, and a process should not hold that much it does not use.
constexpr std::size_t kKeepAtMost = std::size_t{256} << 20;

// One large block kept after the client frees it, for the next request of about its size: a
// client that fetches channel after channel would otherwise have every result's pages faulted in
// and cleared afresh (a third of the time of a 64 MiB GetSamples), and in a virtual machine whose
// host took the freed memory back, several times the copy itself.
class KeptBlock {
public:
    // The kept block when it holds bytes and is at most twice as large (more would be held by
    // the client unused); null otherwise.
    void* Take(std::size_t bytes) {
        const std::lock_guard<std::mutex> lock(m_Mutex);
        if (!m_Block || m_Bytes < bytes || m_Bytes / 2 > bytes) return nullptr;
        m_Bytes = 0;
        return std::exchange(m_Block, nullptr);
    }
    // Keeps the larger of block and the block kept; returns the one to free (null for none).
    void* Keep(void* block, std::size_t bytes) {
        const std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_Block && m_Bytes >= bytes) return block;
        std::swap(m_Block, block);
        m_Bytes = bytes;
        return block;
    }

private:
    std::mutex m_Mutex;
    void* m_Block = nullptr;
    std::size_t m_Bytes = 0;
};

// Constant-initialised (its members are), so in place before any client's static constructor.
KeptBlock reusable;

// A block from the huge-page path (huge-page aligned) small enough to keep.
bool Keepable(void* block, std::size_t bytes) {
    return bytes >= kHuge && bytes <= kKeepAtMost && reinterpret_cast<std::uintptr_t>(block) % kHuge == 0;
}

}  // namespace

// Large client arrays (a whole channel's samples) are fresh memory that the client receives
// filled: huge pages keep the first-touch faults from costing more than the copy itself. They
// start on a huge page, and from 16 MiB on cover whole ones (at most an eighth more), or the
// unaligned ends (up to 4 MiB) would still be faulted in small pages: in a virtual machine a
// third of a 64 MiB result's time.
LPVOID CoTaskMemAlloc(SIZE_T cb) {
    if (cb >= kHuge && cb <= SIZE_MAX - kHuge) {
        const std::size_t bytes = cb >= 8 * kHuge ? (cb + kHuge - 1) & ~(kHuge - 1) : cb;
        if (void* kept = reusable.Take(bytes)) return kept;
        void* block = nullptr;
        if (posix_memalign(&block, kHuge, bytes) != 0) return nullptr;
        tarn::platform::AdviseHugePages(block, bytes);
        return block;
    }
    return std::malloc(cb != 0 ? cb : 1);
}

void CoTaskMemFree(LPVOID pv) {
    if (!pv) return;
    const std::size_t bytes = malloc_usable_size(pv);
    std::free(Keepable(pv, bytes) ? reusable.Keep(pv, bytes) : pv);
}

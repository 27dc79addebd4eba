// An allocator for the large tables a scan fills from start to end (the min/max cache reserved
// for the whole file) and the walks' span buffers: it asks for huge pages, so filling them costs
// few page faults. A first touch of a small page costs over 10 us in a virtual machine that
// shadows the guest's page tables, a huge page's about as much as 30 of them.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

#include "platform/platform.h"

namespace tarn {

template <class T> struct HugePageAllocator {
    using value_type = T;
    static constexpr std::align_val_t kHugePage{std::size_t{2} << 20};
    static constexpr std::size_t kHugePageBytes = static_cast<std::size_t>(kHugePage);
    static constexpr bool Large(std::size_t bytes) { return bytes >= kHugePageBytes / 2; }
    // Whole huge pages: the kernel backs only a page-aligned huge page that the block wholly covers.
    static constexpr std::size_t Rounded(std::size_t bytes) {
        return (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    }

    HugePageAllocator() = default;
    template <class U> HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (!Large(bytes)) return static_cast<T*>(::operator new(bytes));
        if (bytes > Rounded(bytes)) throw std::bad_array_new_length();
        // Aligned to a huge page, so that the whole block can be served by them.
        void* block = ::operator new(Rounded(bytes), kHugePage);
        platform::AdviseHugePages(block, Rounded(bytes));
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t n) noexcept {
        if (Large(n * sizeof(T)))
            ::operator delete(block, kHugePage);
        else
            ::operator delete(block);
    }

    // Growing leaves new values uninitialised: the scan writes them right after.
    template <class U> void construct(U* place) noexcept { ::new (static_cast<void*>(place)) U; }
    template <class U, class... Args> void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }

    template <class U> bool operator==(const HugePageAllocator<U>&) const noexcept { return true; }
    template <class U> bool operator!=(const HugePageAllocator<U>&) const noexcept { return false; }
};

}  // namespace tarn

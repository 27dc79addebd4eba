// The min/max values of one channel's blocks, two per bucket: in 16 bits while every block of the
// channel has 16-bit samples (the common width; half the index's memory), widened once to 32 bits
// when a block of 32-bit samples comes. Values are counted the same in either width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "reader/CompressBlockMinMax.h"
#include "reader/HugePageAllocator.h"

namespace tarn {

class MinMaxCache {
public:
    // Room for values, reserved in the current width: it only spares reallocations, so a
    // reservation that fails is forgotten.
    void Reserve(std::size_t values);
    bool Wide() const { return m_IsWide; }
    std::size_t size() const { return m_Size; }
    std::size_t capacity() const { return m_IsWide ? m_Wide.capacity() : m_Narrow.capacity(); }
    bool empty() const { return size() == 0; }
    std::size_t ValueBytes() const { return m_IsWide ? sizeof(std::int32_t) : sizeof(std::int16_t); }
    // The values' bytes, ValueBytes() each.
    unsigned char* Bytes() {
        return m_IsWide ? reinterpret_cast<unsigned char*>(m_Wide.data()) : reinterpret_cast<unsigned char*>(m_Narrow.data());
    }

    // Appends the reduction of a block of n samples at data (widening first for 32-bit samples).
    // Throws std::bad_alloc or std::length_error, with the values unchanged, where memory runs out.
    void Append(const unsigned char* data, std::uint32_t n, bool is32Bit);
    // Grows or shrinks to values; new values are left unset. Throws as Append does.
    void Resize(std::size_t values);
    // Moves every value to 32 bits (sign-extended), keeping the reservation. Throws as Append does.
    void Widen();
    // The reserved room that the next blocks fill and that was not asked for yet: up to a huge
    // page's worth past the values in use, asked for again once they have grown half of that
    // (empty once the reservation is full). For having it mapped ahead on another thread.
    platform::MemoryRegion Ahead();
    std::size_t MemoryBytes() const { return capacity() * ValueBytes(); }

    // Calls use with a pointer to the first value, of the cache's width.
    template <class Use> decltype(auto) Visit(Use&& use) const {
        return m_IsWide ? use(m_Wide.data()) : use(m_Narrow.data());
    }

private:
    // The vectors' own sizes run ahead of the values in use, by what the reservation holds: a
    // block's values are then written without a resize per block. What lies past m_Size is unset.
    template <class Vector> static void Grow(Vector& values, std::size_t used, std::size_t wanted);

    bool m_IsWide = false;
    std::size_t m_Size = 0;
    std::size_t m_AheadEnd = 0;  // values: how far Ahead has handed out room in this width
    TabulatedBuckets m_Buckets{0};  // of the last block length reduced: nearly every block has it
    std::vector<std::int16_t, HugePageAllocator<std::int16_t>> m_Narrow;
    std::vector<std::int32_t, HugePageAllocator<std::int32_t>> m_Wide;
};

}  // namespace tarn

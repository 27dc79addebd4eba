#include "reader/SampleSegment.h"

#include <algorithm>
#include <cstring>

#include "format/LittleEndian.h"
#include "format/RecordingLayout.h"

namespace tarn {

namespace {

// Room added when a run outgrows its storage: at least a block and 1024 samples more, and at
// least half of what it has, so that a channel far ahead of the others costs no quadratic copying.
constexpr std::size_t kGrowthSamples = 1024;

template <class Out> Out Convert(const unsigned char* sample, bool is32) {
    if (!is32) return static_cast<Out>(le::LoadSigned<std::int16_t>(sample));
    const std::int32_t v = le::LoadSigned<std::int32_t>(sample);
    return static_cast<Out>(sizeof(Out) == 2 ? v >> 16 : v);
}

}  // namespace

SampleSegment::SampleSegment(std::uint32_t first, bool is32) : m_First(first), m_Is32(is32) {}

const unsigned char* SampleSegment::At(std::int64_t s) const {
    const unsigned char* first = m_Lent != nullptr ? m_Lent : m_Storage.get() + m_Head;
    return first + static_cast<std::size_t>(s - m_First) * layout::SampleWidth(m_Is32);
}

void SampleSegment::Lend(const unsigned char* data, std::uint32_t count) {
    m_Lent = data;
    m_Head = 0;
    m_Length = count;
}

void SampleSegment::Keep() {
    if (m_Lent == nullptr) return;
    const unsigned char* lent = m_Lent;
    const auto count = static_cast<std::uint32_t>(m_Length);
    m_Lent = nullptr;
    m_Length = 0;
    std::memcpy(Room(count), lent, std::size_t{count} * layout::SampleWidth(m_Is32));
    m_Length = count;
}

unsigned char* SampleSegment::Room(std::uint32_t count) {
    // What follows goes behind the lent samples: they come into the storage first.
    Keep();
    const std::size_t width = layout::SampleWidth(m_Is32);
    const std::size_t held = m_Length * width;
    const std::size_t bytes = std::size_t{count} * width;
    if (m_Head + held + bytes > m_Capacity) {
        if (held + bytes <= m_Capacity / 2) {
            // Plenty of room once the discarded front is reused.
            std::memmove(m_Storage.get(), m_Storage.get() + m_Head, held);
        } else {
            const std::size_t capacity = std::max(held + bytes + (count + kGrowthSamples) * width, m_Capacity * 3 / 2);
            std::unique_ptr<unsigned char[]> storage(new unsigned char[capacity]);
            if (held != 0) std::memcpy(storage.get(), m_Storage.get() + m_Head, held);
            m_Storage = std::move(storage);
            m_Capacity = capacity;
        }
        m_Head = 0;
    }
    return m_Storage.get() + m_Head + held;
}

void SampleSegment::DiscardBefore(std::int64_t s) {
    if (s <= m_First) return;
    if (s >= End()) {
        Restart(s, m_Is32);
        return;
    }
    const std::size_t dropped = static_cast<std::size_t>(s - m_First) * layout::SampleWidth(m_Is32);
    if (m_Lent != nullptr)
        m_Lent += dropped;
    else
        m_Head += dropped;
    m_Length -= static_cast<std::size_t>(s - m_First);
    m_First = s;
}

void SampleSegment::Restart(std::int64_t first, bool is32) {
    m_Lent = nullptr;
    m_First = first;
    m_Length = 0;
    m_Head = 0;
    m_Is32 = is32;
}

template <class Out>
void SampleSegment::CopyTo(std::int64_t s, std::size_t n, Out* out, std::size_t stride) const {
    const unsigned char* from = At(s);
    const std::size_t width = layout::SampleWidth(m_Is32);
    if (m_Is32 == (sizeof(Out) == 4) && stride == 1 && le::kHostIsLittleEndian) {
        std::memcpy(out, from, n * width);
        return;
    }
    for (std::size_t i = 0; i < n; ++i, from += width, out += stride) *out = Convert<Out>(from, m_Is32);
}

template void SampleSegment::CopyTo(std::int64_t, std::size_t, std::int16_t*, std::size_t) const;
template void SampleSegment::CopyTo(std::int64_t, std::size_t, std::int32_t*, std::size_t) const;

}  // namespace tarn

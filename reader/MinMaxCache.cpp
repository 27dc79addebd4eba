#include "reader/MinMaxCache.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "reader/CompressBlockMinMax.h"

namespace tarn {

void MinMaxCache::Reserve(std::size_t values) {
    const auto reserve = [&](auto& vector) {
        vector.resize(m_Size);  // only the values in use move
        vector.reserve(values);
    };
    try {
        m_IsWide ? reserve(m_Wide) : reserve(m_Narrow);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

void MinMaxCache::Append(const unsigned char* data, std::uint32_t n, bool is32Bit) {
    if (is32Bit && !m_IsWide) Widen();
    if (n != m_Buckets.samples) m_Buckets = TabulatedBuckets(n);
    const std::size_t at = m_Size;
    Resize(at + m_Buckets.Values());
    const Reductions& reductions = ChosenReductions();
    const std::size_t written =
        m_IsWide ? static_cast<std::size_t>(reductions.wide(data, m_Buckets, is32Bit, m_Wide.data() + at) - m_Wide.data())
                 : static_cast<std::size_t>(reductions.narrow(data, m_Buckets, m_Narrow.data() + at) - m_Narrow.data());
    m_Size = written;
}

template <class Vector> void MinMaxCache::Grow(Vector& values, std::size_t used, std::size_t wanted) {
    if (wanted <= values.size()) return;
    // Past the reservation the vector grows as it would, moving only the values in use.
    if (wanted > values.capacity()) {
        values.resize(used);
        values.reserve(std::max(wanted, 2 * values.capacity()));
    }
    // The whole room at once: growing the size sets nothing.
    values.resize(values.capacity());
}

void MinMaxCache::Resize(std::size_t values) {
    m_IsWide ? Grow(m_Wide, m_Size, values) : Grow(m_Narrow, m_Size, values);
    m_Size = values;
}

void MinMaxCache::Widen() {
    if (m_IsWide) return;
    decltype(m_Wide) wide;
    wide.reserve(m_Narrow.capacity());
    wide.assign(m_Narrow.begin(), m_Narrow.begin() + static_cast<std::ptrdiff_t>(m_Size));
    m_Wide.swap(wide);
    decltype(m_Narrow)().swap(m_Narrow);
    m_IsWide = true;
    m_AheadEnd = 0;  // the room handed out was the narrow values'; the wide ones are fresh
}

platform::MemoryRegion MinMaxCache::Ahead() {
    const std::size_t ahead = HugePageAllocator<unsigned char>::kHugePageBytes / ValueBytes();
    if (m_AheadEnd > m_Size + ahead / 2) return {};
    const std::size_t from = std::max(m_Size, m_AheadEnd);
    m_AheadEnd = std::min(capacity(), m_Size + ahead);
    if (m_AheadEnd <= from) return {};
    return {Bytes() + from * ValueBytes(), (m_AheadEnd - from) * ValueBytes()};
}

}  // namespace tarn

#include "reader/MinMaxCache.h"

#include <new>
#include <stdexcept>

#include "reader/CompressBlockMinMax.h"

namespace tarn {

void MinMaxCache::Reserve(std::size_t values) {
    try {
        m_IsWide ? m_Wide.reserve(values) : m_Narrow.reserve(values);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

void MinMaxCache::Append(const unsigned char* data, std::uint32_t n, bool is32Bit) {
    if (is32Bit && !m_IsWide) Widen();
    const std::size_t at = size();
    Resize(at + MinMaxBuckets(n).Values());
    const std::size_t written = m_IsWide ? CompressBlockMinMax(data, n, is32Bit, m_Wide.data() + at)
                                         : CompressBlockMinMax(data, n, m_Narrow.data() + at);
    Resize(at + written);
}

void MinMaxCache::Resize(std::size_t values) {
    m_IsWide ? m_Wide.resize(values) : m_Narrow.resize(values);
}

void MinMaxCache::Widen() {
    if (m_IsWide) return;
    decltype(m_Wide) wide;
    wide.reserve(m_Narrow.capacity());
    wide.assign(m_Narrow.begin(), m_Narrow.end());
    m_Wide.swap(wide);
    decltype(m_Narrow)().swap(m_Narrow);
    m_IsWide = true;
}

platform::MemoryRegion MinMaxCache::Room(std::size_t from, std::size_t to) {
    if (to <= from || to > capacity()) return {};
    // Bytes() + from: reserved room past the end, which the vector's growth writes into.
    return {Bytes() + from * ValueBytes(), (to - from) * ValueBytes()};
}

}  // namespace tarn

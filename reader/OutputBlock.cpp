#include "reader/OutputBlock.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "format/LittleEndian.h"

#include "reader/CChannelDesc.h"
#include "reader/CompressBlockMinMax.h"
#include "reader/InterleaveFour.h"

namespace tarn {

namespace {

// Value i of a run stored as Out values (little-endian host).
template <class Out> Out Load(const unsigned char* from, std::size_t i) {
    Out value;
    std::memcpy(&value, from + i * sizeof(Out), sizeof(Out));
    return value;
}

// Interleaves four runs of 16-bit values into out, four values per sample, sixteen or eight
// samples at a time (a transposition in registers); returns the samples written (n rounded down
// to eight). Without SSE2 the caller's plain loop does it all.
std::size_t InterleaveFour16(const unsigned char* const* sources, std::size_t n, std::int16_t* out) {
#if defined(__SSE2__)
#if defined(TARN_HAVE_AVX2)
    std::size_t i = ProcessorRunsAvx2() ? InterleaveFour16Avx2(sources, n, out) : 0;
#else
    std::size_t i = 0;
#endif
    for (out += 4 * i; i + 8 <= n; i += 8, out += 32) {
        const auto load = [&](std::size_t j) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(sources[j] + i * sizeof(std::int16_t)));
        };
        const __m128i a = load(0), b = load(1), c = load(2), d = load(3);
        const __m128i abLow = _mm_unpacklo_epi16(a, b), abHigh = _mm_unpackhi_epi16(a, b);
        const __m128i cdLow = _mm_unpacklo_epi16(c, d), cdHigh = _mm_unpackhi_epi16(c, d);
        auto* to = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(to, _mm_unpacklo_epi32(abLow, cdLow));
        _mm_storeu_si128(to + 1, _mm_unpackhi_epi32(abLow, cdLow));
        _mm_storeu_si128(to + 2, _mm_unpacklo_epi32(abHigh, cdHigh));
        _mm_storeu_si128(to + 3, _mm_unpackhi_epi32(abHigh, cdHigh));
    }
    return i;
#else
    (void)sources;
    (void)n;
    (void)out;
    return 0;
#endif
}

}  // namespace

void OutputBlock::Fill(const std::vector<const CChannelDesc*>& channels, std::int64_t start, std::size_t n, bool is32,
                       RFMode mode) {
    m_Count = channels.size() * n;
    m_PerChannel = n;
    m_Mode = mode;
    m_Is32 = is32;
    m_Delivered = true;
    // Grows only: a block of another count or width reuses the storage when it fits.
    const std::size_t bytes = m_Count * (is32 ? sizeof(std::int32_t) : sizeof(std::int16_t));
    if (m_Values.size() < bytes) m_Values.resize(bytes);
    m_ChannelIs32.assign(channels.size(), false);
    for (std::size_t j = 0; j < channels.size(); ++j) m_ChannelIs32[j] = channels[j]->FirstRun().Is32();
    if (is32)
        FillAs<std::int32_t>(channels, start, mode);
    else
        FillAs<std::int16_t>(channels, start, mode);
}

template <class Out>
void OutputBlock::FillAs(const std::vector<const CChannelDesc*>& channels, std::int64_t start, RFMode mode) {
    auto* out = reinterpret_cast<Out*>(m_Values.data());
    const std::size_t k = channels.size();
    if (mode == RF_Interleaved && le::kHostIsLittleEndian &&
        std::all_of(channels.begin(), channels.end(),
                    [](const CChannelDesc* c) { return c->FirstRun().Is32() == (sizeof(Out) == 4); })) {
        // Every value as stored. Four 16-bit channels are transposed eight samples at a time;
        // what is left, and every other layout, goes one channel at a time into its column.
        m_Sources.clear();
        for (const CChannelDesc* channel : channels) m_Sources.push_back(channel->FirstRun().At(start));
        std::size_t done = 0;
        if constexpr (sizeof(Out) == 2)
            if (k == 4) done = InterleaveFour16(m_Sources.data(), m_PerChannel, out);
        for (std::size_t j = 0; j < k; ++j) {
            const unsigned char* from = m_Sources[j];
            Out* column = out + j;
            for (std::size_t i = done; i < m_PerChannel; ++i) column[i * k] = Load<Out>(from, i);
        }
        return;
    }
    for (std::size_t j = 0; j < k; ++j) {
        if (mode == RF_BlockInterleaved)
            channels[j]->FirstRun().CopyTo(start, m_PerChannel, out + j * m_PerChannel, 1);
        else
            channels[j]->FirstRun().CopyTo(start, m_PerChannel, out + j, k);
    }
}

bool OutputBlock::From32BitChannel(std::size_t i) const {
    const std::size_t channel = m_Mode == RF_BlockInterleaved ? i / m_PerChannel : i % m_ChannelIs32.size();
    return m_ChannelIs32[channel];
}

void OutputBlock::CopyTo(std::int16_t* out) const {
    if (!m_Is32) {
        std::memcpy(out, m_Values.data(), m_Count * sizeof(std::int16_t));
        return;
    }
    const auto* values = reinterpret_cast<const std::int32_t*>(m_Values.data());
    for (std::size_t i = 0; i < m_Count; ++i)
        out[i] = static_cast<std::int16_t>(From32BitChannel(i) ? values[i] >> 16 : values[i]);
}

void OutputBlock::CopyTo(std::int32_t* out) const {
    if (m_Is32) {
        std::memcpy(out, m_Values.data(), m_Count * sizeof(std::int32_t));
        return;
    }
    const auto* values = reinterpret_cast<const std::int16_t*>(m_Values.data());
    for (std::size_t i = 0; i < m_Count; ++i) out[i] = values[i];
}

}  // namespace tarn

#include "reader/OutputBlock.h"

#include <algorithm>
#include <cstring>

#include "format/LittleEndian.h"

#include "reader/CChannelDesc.h"

namespace tarn {

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
        // Every value as stored: one pass that writes the block in order, sample after sample.
        m_Sources.clear();
        for (const CChannelDesc* channel : channels) m_Sources.push_back(channel->FirstRun().At(start));
        for (std::size_t i = 0; i < m_PerChannel; ++i, out += k)
            for (std::size_t j = 0; j < k; ++j) std::memcpy(out + j, m_Sources[j] + i * sizeof(Out), sizeof(Out));
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

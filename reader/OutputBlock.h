// The block of values sequential reading delivers: n samples of k channels, 16 or 32 bits each,
// sample by sample (interleaved) or channel after channel. It keeps its storage between
// deliveries and grows it only when a larger block comes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/RFMode.h"

namespace tarn {

class CChannelDesc;

class OutputBlock {
public:
    // The most values one block holds: its byte size and its count stay far within 32 bits.
    static constexpr std::uint64_t kMaxValues = std::uint64_t{1} << 28;

    // Fills the block with samples [start, start + n) of each channel, in the order given, from
    // each channel's first run. channels.size() * n must not exceed kMaxValues.
    void Fill(const std::vector<const CChannelDesc*>& channels, std::int64_t start, std::size_t n, bool is32,
              RFMode mode);

    bool Delivered() const { return m_Delivered; }
    std::int32_t Count() const { return static_cast<std::int32_t>(m_Count); }
    bool Is32() const { return m_Is32; }
    // The values as stored: Count() of 2 or 4 bytes.
    const void* Data() const { return m_Values.data(); }
    // Every value as 16 bits (the upper half of a 32-bit channel's value, as sample retrieval
    // gives it) or as 32 bits (a 16-bit value widened with its sign).
    void CopyTo(std::int16_t* out) const;
    void CopyTo(std::int32_t* out) const;

private:
    template <class Out> void FillAs(const std::vector<const CChannelDesc*>& channels, std::int64_t start, RFMode mode);
    // Whether value i came from a channel stored with 32 bits.
    bool From32BitChannel(std::size_t i) const;

    std::vector<unsigned char> m_Values;  // Count() 16-bit or 32-bit values (the allocator aligns for both)
    std::vector<bool> m_ChannelIs32;     // per channel of the block, in its order
    std::vector<const unsigned char*> m_Sources;  // per channel, while filling
    std::size_t m_Count = 0;
    std::size_t m_PerChannel = 0;        // n
    RFMode m_Mode = RF_Interleaved;
    bool m_Is32 = false;
    bool m_Delivered = false;
};

}  // namespace tarn

// A run of consecutive samples of one channel that sequential reading holds until every channel
// taking part has reached them. Samples stay as the block stored them (16 or 32 bits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarn {

class SampleSegment {
public:
    SampleSegment(std::uint32_t first, bool is32);

    // Room for count samples (little-endian, the segment's width) that continue the run at End():
    // the caller writes them there (a reader can read a block straight into it), then commits.
    unsigned char* Room(std::uint32_t count);
    void Commit(std::uint32_t count) { m_Length += count; }
    // Holds count samples at data (the run must be empty) where they are: they must stay there
    // until Keep, or until the run no longer holds them. Most blocks are delivered before the
    // reader's buffer moves on, and so are never copied.
    void Lend(const unsigned char* data, std::uint32_t count);
    // Copies lent samples into the run's own storage.
    void Keep();
    // Drops the samples before s; a run that ends at or before s becomes an empty run at s.
    void DiscardBefore(std::int64_t s);
    // Makes the (empty) run start again at first with the given width, keeping its storage.
    void Restart(std::int64_t first, bool is32);

    std::int64_t First() const { return m_First; }
    std::int64_t End() const { return m_First + static_cast<std::int64_t>(m_Length); }
    bool Empty() const { return m_Length == 0; }
    bool Is32() const { return m_Is32; }

    // n samples from s (First() <= s, s + n <= End()) to out, one every stride values. The 16-bit
    // view of a 32-bit sample is its upper half; a 16-bit sample widens with its sign.
    template <class Out> void CopyTo(std::int64_t s, std::size_t n, Out* out, std::size_t stride) const;

    // The stored bytes of sample s (First() <= s < End()).
    const unsigned char* At(std::int64_t s) const;

private:
    const unsigned char* m_Lent = nullptr;  // the first sample, when lent; else it is in m_Storage
    std::unique_ptr<unsigned char[]> m_Storage;
    std::size_t m_Capacity = 0;  // bytes
    std::size_t m_Head = 0;      // bytes discarded at the front of the storage, not yet reused
    std::int64_t m_First;
    std::size_t m_Length = 0;    // samples
    bool m_Is32;
};

}  // namespace tarn

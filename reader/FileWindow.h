// The block walks' view of the file: a position of their own and one large buffer, refilled by
// one large read. Asking the stream where it is, or moving it, costs a system call each time;
// a walk that did that per block spent most of its time in the kernel. Given a positional handle,
// the window reads through it and has the span after its own read on another thread meanwhile.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/RandomAccessFile.h"
#include "platform/platform.h"
#include "reader/ReadAhead.h"

namespace tarn {

class FileWindow {
public:
    // file (and ahead, a handle on the same file) are not owned and must outlive the window;
    // bytes is the size of one refill. ahead is used while it is open.
    FileWindow(platform::File& file, std::size_t bytes, const platform::RandomAccessFile* ahead = nullptr)
        : m_File(file), m_Capacity(bytes), m_Positional(ahead) {}

    // Moving within what the buffer holds reads nothing.
    void Seek(std::int64_t position) { m_Position = position; }
    std::int64_t Tell() const { return m_Position; }
    // Up to bytes from the position on, which moves past them; fewer only where the file ends or
    // a read fails. A request of a buffer's size or more goes straight into data.
    std::size_t Read(void* data, std::size_t bytes);
    // The bytes at the position where the buffer holds them all, in place, and the position moves
    // past them; nullptr otherwise, and nothing moves. Valid until the window next reads.
    const unsigned char* Take(std::size_t bytes) {
        if (m_Position < m_Start || m_Position - m_Start > static_cast<std::int64_t>(m_Filled)) return nullptr;
        const auto from = static_cast<std::size_t>(m_Position - m_Start);
        if (bytes > m_Filled - from) return nullptr;
        m_Position += static_cast<std::int64_t>(bytes);
        return m_Buffer.data() + from;
    }
    // Has the cache lines of up to bytes from the position on loaded, where the buffer holds them.
    void PrefetchAhead(std::size_t bytes) const {
        if (m_Position < m_Start) return;
        const auto from = static_cast<std::size_t>(m_Position - m_Start);
        const std::size_t to = std::min(m_Filled, from + bytes);
        for (std::size_t at = from; at < to; at += 64) __builtin_prefetch(m_Buffer.data() + at);
    }
    // Asks plan, each time a span is read ahead, for the memory the walk fills next: the reading
    // thread maps it meanwhile.
    void SetPrefaultPlan(PrefaultPlan plan) { m_Plan = std::move(plan); }
    // Has beforeMove called whenever the bytes Take handed out are about to be overwritten (at
    // each refill), so that whoever still points into them can copy what it keeps.
    void SetBeforeMove(std::function<void()> beforeMove) { m_BeforeMove = std::move(beforeMove); }
    // Forgets what the buffer holds (the file may have changed under it).
    void Drop() {
        m_Filled = 0;
        if (m_Ahead) m_Ahead->Cancel();
    }

private:
    // Reads at the position into the buffer; false when nothing came.
    bool Refill();
    // bytes at the position straight from the file.
    std::size_t ReadFile(unsigned char* data, std::size_t bytes);
    // The positional handle while it is open, else nullptr (reads then go through the stream).
    const platform::RandomAccessFile* Positional() const {
        return m_Positional != nullptr && m_Positional->IsOpen() ? m_Positional : nullptr;
    }

    platform::File& m_File;
    std::size_t m_Capacity;
    const platform::RandomAccessFile* m_Positional;
    std::unique_ptr<ReadAhead> m_Ahead;  // made at the first refill through m_Positional
    PrefaultPlan m_Plan;
    std::function<void()> m_BeforeMove;
    SpanBuffer m_Buffer;                  // allocated at the first refill
    std::int64_t m_Start = 0;             // file offset of m_Buffer[0]
    std::size_t m_Filled = 0;             // bytes of the buffer that hold the file
    std::int64_t m_Position = 0;
};

}  // namespace tarn

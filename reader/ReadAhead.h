// One read in flight on a thread of its own: while a walk works through one span of the file,
// the next is copied out of the page cache on the other core. The walk's thread copies the first
// part of that span itself, as much as keeps the two threads equally busy: the copy and the
// walk's own work then take half their sum, not the longer of the two.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/RandomAccessFile.h"
#include "platform/platform.h"
#include "reader/HelperThread.h"
#include "reader/HugePageAllocator.h"

namespace tarn {

// A walk's span: in huge pages, since a walk's buffers are fresh memory that the reads fill at once.
using SpanBuffer = std::vector<unsigned char, HugePageAllocator<unsigned char>>;
// Names, on the walk's thread, the memory the walk fills next (appended to the vector given).
using PrefaultPlan = std::function<void(std::vector<platform::MemoryRegion>&)>;

class ReadAhead {
public:
    // file is not owned and must outlive this; bytes is the size of one read.
    ReadAhead(const platform::RandomAccessFile& file, std::size_t bytes)
        : m_File(file), m_Bytes(bytes), m_Step(std::max<std::size_t>(bytes / 64, 1)), m_Head(bytes / 8) {}

    // Starts reading bytes at offset (the thread starts with the first request), and has the pages
    // that plan names (when given) mapped for writing after it; a read already in flight is
    // waited for and forgotten. Reads the span's first part on the calling thread before it
    // returns.
    void Start(std::int64_t offset, const PrefaultPlan& plan = nullptr);
    // When the read in flight is the one at offset and it filled its span, waits for it and
    // swaps its buffer with buffer (which must hold bytes); false otherwise, with nothing in flight
    // and buffer untouched. A short read is never handed over: the file may have grown since.
    bool Collect(std::int64_t offset, SpanBuffer& buffer);
    // Forgets the read in flight (the file may have changed under it).
    void Cancel();

private:
    // The thread's part of a read: the span after the first m_Head bytes, then the prefault.
    void ReadTail();

    const platform::RandomAccessFile& m_File;
    const std::size_t m_Bytes;
    // The share of a span the calling thread reads, moved by a step after each span towards the
    // side that waited less: the page cache's speed and the walk's cost per span vary.
    const std::size_t m_Step;
    std::size_t m_Head;
    std::size_t m_HeadFilled = 0;
    SpanBuffer m_Buffer;
    std::vector<platform::MemoryRegion> m_Prefault;  // of the read requested, its room reused
    std::int64_t m_Offset = -1;  // of the read requested or done; -1 when there is none
    std::size_t m_Filled = 0;    // by the thread's part
    HelperThread m_Thread;       // last, so that a read in flight ends before what it uses goes
};

}  // namespace tarn

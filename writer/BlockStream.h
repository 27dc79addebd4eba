// The data section of a recording as it goes to the file: every item (the file header, a sample
// or DC block) goes in whole, or the stream breaks. The stream buffer may hide a failed write
// until it is flushed, so the ends of the items written since the last flush that succeeded are
// kept; after a failure the file is cut back to the last of them that reached it, and every
// block before it stays readable. A broken stream takes nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/platform.h"

namespace tarn {

class BlockStream {
public:
    struct Piece {
        const void* data;
        std::size_t bytes;
    };

    // bufferSize: the file's stream buffer; the stream flushes before it would overflow, so that
    // no write of an item flushes earlier items behind its back.
    BlockStream(platform::File& file, std::size_t bufferSize) : m_File(file), m_BufferSize(bufferSize) {}

    // One item from its pieces, at the file's position when the first item of the section came.
    // False when the stream is broken, or breaks now.
    bool Write(std::initializer_list<Piece> pieces);
    // Pushes the buffered items to the file. False when the stream is broken, or breaks now.
    bool Flush();
    // Others moved the file's position: the next item starts the record afresh from there.
    void Restart() { m_Ends.clear(); }
    // A write outside the stream failed: nothing more is written.
    void Break() { m_Broken = true; }
    bool Broken() const { return m_Broken; }

private:
    bool Start();
    // Breaks the stream and cuts the file back to the end of the last whole item on it.
    bool Fail();

    platform::File& m_File;
    std::size_t m_BufferSize;
    std::size_t m_Pending = 0;          // bytes written since the last flush
    std::vector<std::int64_t> m_Ends;   // the flushed end, then the ends of the items after it
    bool m_Broken = false;
};

}  // namespace tarn

#include "writer/BlockStream.h"

namespace tarn {

bool BlockStream::Start() {
    // Whatever came before (the setup section) must be on the file before the first item counts.
    if (!m_File.Flush()) return Fail();
    const std::int64_t position = m_File.Tell();
    if (position < 0) return Fail();
    m_Ends.assign(1, position);
    m_Pending = 0;
    return true;
}

bool BlockStream::Write(std::initializer_list<Piece> pieces) {
    if (m_Broken || (m_Ends.empty() && !Start())) return false;
    std::size_t bytes = 0;
    for (const Piece& piece : pieces) bytes += piece.bytes;
    if (m_Pending > 0 && m_Pending + bytes > m_BufferSize && !Flush()) return false;
    for (const Piece& piece : pieces)
        if (piece.bytes > 0 && m_File.Write(piece.data, piece.bytes) != piece.bytes) return Fail();
    m_Pending += bytes;
    m_Ends.push_back(m_Ends.back() + static_cast<std::int64_t>(bytes));
    return true;
}

bool BlockStream::Flush() {
    if (m_Broken) return false;
    if (!m_File.Flush()) return Fail();
    if (!m_Ends.empty()) m_Ends.assign(1, m_Ends.back());
    m_Pending = 0;
    return true;
}

bool BlockStream::Fail() {
    m_Broken = true;
    if (m_Ends.empty()) return false;
    // What still fits goes out; the file's own length then says which items reached it whole.
    m_File.Flush();
    const std::int64_t reached = m_File.Length();
    std::int64_t end = m_Ends.front();
    for (const std::int64_t itemEnd : m_Ends)
        if (itemEnd <= reached) end = itemEnd;
    m_File.Truncate(end);
    m_Ends.clear();
    return false;
}

}  // namespace tarn

#include "reader/ReadAhead.h"

namespace tarn {

void ReadAhead::Start(std::int64_t offset, const PrefaultPlan& plan) {
    m_Thread.Wait();
    if (m_Buffer.size() < m_Bytes) m_Buffer.resize(m_Bytes);
    m_Prefault.clear();
    if (plan) plan(m_Prefault);
    m_Offset = offset;
    m_Thread.Post([this] { ReadTail(); });
    // The thread fills the rest of the buffer meanwhile; neither touches the other's bytes.
    m_HeadFilled = m_File.ReadAt(offset, m_Buffer.data(), m_Head);
}

void ReadAhead::ReadTail() {
    m_Filled = m_File.ReadAt(m_Offset + static_cast<std::int64_t>(m_Head), m_Buffer.data() + m_Head, m_Bytes - m_Head);
    for (const platform::MemoryRegion& region : m_Prefault) platform::PrefaultForWriting(region);
}

bool ReadAhead::Collect(std::int64_t offset, SpanBuffer& buffer) {
    if (m_Offset != offset) return false;
    const bool waited = m_Thread.Busy();
    m_Thread.Wait();
    m_Offset = -1;
    const bool full = m_HeadFilled == m_Head && m_Filled == m_Bytes - m_Head;
    m_Head = waited ? std::min(m_Head + m_Step, m_Bytes / 2) : m_Head - std::min(m_Head, m_Step);
    if (!full || buffer.size() != m_Bytes) return false;
    buffer.swap(m_Buffer);
    return true;
}

void ReadAhead::Cancel() {
    m_Thread.Wait();
    m_Offset = -1;
}

}  // namespace tarn

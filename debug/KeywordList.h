// The configured keyword list and the match rule of the keyword filter.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::QVDebug::Detail {

class KeywordList {
public:
    static constexpr std::uint32_t kBufferSize = 1000;   // at most 999 characters are kept
    static constexpr std::size_t kKeywordChars = 200;    // of a keyword, at most this many compared

    // Reading goes straight into the buffer, then Accept takes its first `length` characters.
    char* Buffer() { return m_Text; }
    void Accept(std::uint32_t length);
    void Clear();

    // True when the keyword (lower-cased, cut to 200 characters) is an entry of the list: an
    // occurrence at the list's start or after ';', followed by the end or ';'. Blanks count.
    // The empty keyword matches every list.
    bool Matches(const char* keyword) const;

private:
    char m_Text[kBufferSize] = {};
    std::uint32_t m_Length = 0;
};

}  // namespace tarn::QVDebug::Detail

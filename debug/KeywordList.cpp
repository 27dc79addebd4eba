#include "debug/KeywordList.h"

#include <string_view>

#include "platform/Ascii.h"

namespace tarn::QVDebug::Detail {

// ASCII only: the list and the keywords are compared the same way whatever the process locale.
using platform::LowerAscii;

void KeywordList::Accept(std::uint32_t length) {
    m_Length = length < kBufferSize ? length : kBufferSize - 1;
    m_Text[m_Length] = '\0';
    for (std::uint32_t i = 0; i < m_Length; ++i) m_Text[i] = LowerAscii(m_Text[i]);
}

void KeywordList::Clear() { Accept(0); }

bool KeywordList::Matches(const char* keyword) const {
    char lowered[kKeywordChars];
    std::size_t length = 0;
    for (; length < kKeywordChars && keyword[length] != '\0'; ++length) {
        lowered[length] = LowerAscii(keyword[length]);
    }
    // The empty keyword (the level-only trace form) matches at the start of every list, the
    // empty one included, so those statements are filtered by level alone.
    if (length == 0) return true;
    const std::string_view wanted(lowered, length);
    const std::string_view list(m_Text, m_Length);
    for (std::size_t at = list.find(wanted); at != std::string_view::npos;
         at = list.find(wanted, at + 1)) {
        const std::size_t end = at + length;
        const bool entryStart = at == 0 || list[at - 1] == ';';
        const bool entryEnd = end == list.size() || list[end] == ';';
        if (entryStart && entryEnd) return true;
    }
    return false;
}

}  // namespace tarn::QVDebug::Detail

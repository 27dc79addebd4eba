#include "setup/SetupTextScanner.h"

#include <climits>

namespace tarn {

namespace {

constexpr std::string_view kStopMarker = "[SETUP STOP]";
constexpr std::string_view kChannelHeader = "[Channel ";

bool IsAtoiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool SetupTextAtoi(std::string_view text, int& value) {
    std::size_t i = 0;
    while (i < text.size() && IsAtoiSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate the magnitude; INT_MAX + 1 is still representable as INT_MIN.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return false;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

SetupTextScanner::SetupTextScanner(std::string_view text, std::size_t start)
    : m_Text(text),
      m_Position(start < text.size() ? start : text.size()),
      m_Equals(text, '='),
      m_LineEnd(text, '\n'),
      m_Bracket(text, '[') {}

SetupTextScanner::Token SetupTextScanner::Next() {
    for (;;) {
        const std::size_t equals = m_Equals.From(m_Position);
        const std::size_t lineEnd = m_LineEnd.From(m_Position);
        const std::size_t open = m_Bracket.From(m_Position);
        if (equals == std::string_view::npos || lineEnd == std::string_view::npos ||
            open == std::string_view::npos) {
            return Token::End;
        }
        if (lineEnd < equals && lineEnd < open) {  // a line without "=": skipped
            m_Position = lineEnd + 1;
            continue;
        }
        if (open < equals) return Header(open);
        // lineEnd is the first LF at or after the position and lies behind the "=", so it is
        // the first LF after the "=": it ends the value (a CR before it stays in the value).
        m_Key = m_Text.substr(m_Position, equals - m_Position);
        m_Value = m_Text.substr(equals + 1, lineEnd - equals - 1);
        m_Position = lineEnd + 1;
        return Token::Pair;
    }
}

SetupTextScanner::Token SetupTextScanner::Header(std::size_t open) {
    const std::size_t close = m_Text.find(']', open + 1);
    if (close == std::string_view::npos) return Token::Malformed;
    if (m_Text.substr(open, close - open + 1) == kStopMarker) return Token::End;
    // Any other bracketed text makes the scan jump to the next channel header.
    const std::size_t header = m_Text.find(kChannelHeader, open);
    if (header == std::string_view::npos) return Token::Malformed;
    const std::size_t numberStart = header + kChannelHeader.size();
    const std::size_t numberEnd = m_Text.find(']', numberStart);
    if (numberEnd == std::string_view::npos || numberEnd == numberStart) return Token::Malformed;
    if (!SetupTextAtoi(m_Text.substr(numberStart, numberEnd - numberStart), m_ChannelNumber)) {
        return Token::Malformed;
    }
    m_Position = numberEnd + 1;
    return Token::ChannelHeader;
}

}  // namespace tarn

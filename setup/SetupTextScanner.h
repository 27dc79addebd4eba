// Splits a setup text into the tokens the parameter store is filled from: key lines, channel
// headers and the end of the scan. The scanner only reads the text it was given; each call costs
// time in proportion to the text it consumes, so a whole scan is linear in the text length.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarn {

// atoi's reading of a number (leading white space, an optional sign, the digits up to the first
// non-digit, 0 without digits), except that a value outside int is reported (false) instead of
// being undefined.
bool SetupTextAtoi(std::string_view text, int& value);

class SetupTextScanner {
public:
    enum class Token {
        Pair,           // a key line: Key() and Value(), both unchanged (Key() may be empty)
        ChannelHeader,  // "[Channel n]": ChannelNumber()
        End,            // the scan ended well: "[SETUP STOP]", or no "=", LF or "[" left
        Malformed       // a header without its "]", without a "[Channel " header or number
    };

    // text must not be changed or freed while the scanner is in use.
    SetupTextScanner(std::string_view text, std::size_t start);

    // The next token at or after the scan position. After End or Malformed, call no more.
    Token Next();

    std::string_view Key() const { return m_Key; }
    std::string_view Value() const { return m_Value; }
    int ChannelNumber() const { return m_ChannelNumber; }

private:
    // The first occurrence of one character at or after a position that only grows. The answer
    // is kept until the position passes it, so the text is searched once overall.
    class NextOccurrence {
    public:
        NextOccurrence(std::string_view text, char character)
            : m_Text(text), m_Character(character), m_Next(text.find(character)) {}
        std::size_t From(std::size_t position) {
            if (m_Next < position) m_Next = m_Text.find(m_Character, position);
            return m_Next;
        }

    private:
        std::string_view m_Text;
        char m_Character;
        std::size_t m_Next;
    };

    Token Header(std::size_t open);

    std::string_view m_Text;
    std::size_t m_Position;
    NextOccurrence m_Equals;
    NextOccurrence m_LineEnd;
    NextOccurrence m_Bracket;
    std::string_view m_Key;
    std::string_view m_Value;
    int m_ChannelNumber = 0;
};

}  // namespace tarn

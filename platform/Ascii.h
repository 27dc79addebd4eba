// ASCII case and digits for text of any character type: names that Windows compares ignoring
// case (ASCII letters only), and numbers written in hex or another radix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace tarn::platform {

// The character's code, never negative (a plain char may be signed).
template <typename Char>
constexpr std::uint32_t CodeOf(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c);
}

template <typename Char>
constexpr Char LowerAscii(Char c) {
    return c >= Char('A') && c <= Char('Z') ? Char(c - Char('A') + Char('a')) : c;
}

template <typename Char>
constexpr Char UpperAscii(Char c) {
    return c >= Char('a') && c <= Char('z') ? Char(c - Char('a') + Char('A')) : c;
}

// Any text (a view, a string or a NUL-terminated pointer) as a view.
template <typename Char>
constexpr std::basic_string_view<Char> TextView(std::basic_string_view<Char> text) {
    return text;
}
template <typename Char>
std::basic_string_view<Char> TextView(const std::basic_string<Char>& text) {
    return text;
}
template <typename Char>
constexpr std::basic_string_view<Char> TextView(const Char* text) {
    return text;
}

// Orders as Windows orders names: by the upper-case codes, then the shorter first.
template <typename TextA, typename TextB>
constexpr int CompareIgnoringCase(const TextA& textA, const TextB& textB) {
    const auto a = TextView(textA);
    const auto b = TextView(textB);
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const std::uint32_t x = UpperAscii(CodeOf(a[i])), y = UpperAscii(CodeOf(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename TextA, typename TextB>
constexpr bool EqualIgnoringCase(const TextA& a, const TextB& b) {
    return TextView(a).size() == TextView(b).size() && CompareIgnoringCase(a, b) == 0;
}

// The value of a digit in any radix up to 36 (letters of either case from 10); kNotADigit for
// anything else, which no radix takes.
constexpr int kNotADigit = 36;
template <typename Char>
constexpr int DigitValue(Char c) {
    const std::uint32_t code = LowerAscii(CodeOf(c));
    if (code >= '0' && code <= '9') return int(code - '0');
    if (code >= 'a' && code <= 'z') return int(code - 'a' + 10);
    return kNotADigit;
}

// A run of hex digits as a number; false when it is empty or holds anything else.
template <typename Text>
constexpr bool ParseHex(const Text& digits, std::uint32_t& value) {
    const auto text = TextView(digits);
    value = 0;
    for (const auto c : text) {
        const int digit = DigitValue(c);
        if (digit >= 16) return false;
        value = value * 16 + std::uint32_t(digit);
    }
    return !text.empty();
}

}  // namespace tarn::platform

// OLE Automation's number text: what VarR8FromStr accepts and what VT_R8 to VT_BSTR writes.
#include "compat/posix/number_text.h"

#include "platform/Ascii.h"
#include "platform/platform.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace tarn::compat {

namespace {

constexpr char16_t kNoBreakSpace = 0x00A0;

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == kNoBreakSpace; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads one number: [blanks] [( or sign] [blanks] body [blanks] [sign] [blanks] [)] [blanks],
// the body being decimal digits with separators and an exponent, or &H / &O digits.
class NumberScanner {
public:
    NumberScanner(const OLECHAR* text, NumberSeparators separators)
        : m_Pos(text), m_Separators(separators) {}

    HRESULT Scan(double& value) {
        SkipBlanks();
        if (*m_Pos == u'(') {
            m_Parenthesis = m_Negative = true;
            ++m_Pos;
            SkipBlanks();
        } else if (ScanSign()) {
            SkipBlanks();
        }
        const bool radix = m_Pos[0] == u'&';
        if (radix ? !ScanRadixBody() : !ScanDecimalBody()) return DISP_E_TYPEMISMATCH;
        if (!ScanSuffix()) return DISP_E_TYPEMISMATCH;
        const HRESULT hr = radix ? RadixValue(value) : DecimalValue(value);
        if (m_Negative) value = -value;
        return hr;
    }

private:
    void SkipBlanks() {
        while (IsBlank(*m_Pos)) ++m_Pos;
    }

    bool ScanSign() {
        if (*m_Pos != u'+' && *m_Pos != u'-') return false;
        m_Negative = *m_Pos == u'-';
        m_Signed = true;
        ++m_Pos;
        return true;
    }

    // A no-break space as thousands separator also stands for a plain one.
    bool IsThousands(char16_t c) const {
        return c == m_Separators.m_Thousands || (c == u' ' && m_Separators.m_Thousands == kNoBreakSpace);
    }

    // Thousands separators are taken anywhere after the first digit, even after the decimal
    // separator, as OLE does.
    bool ScanDecimalBody() {
        bool sawDigit = false;
        bool sawDecimal = false;
        for (;; ++m_Pos) {
            const char16_t c = *m_Pos;
            if (IsDigit(c)) {
                sawDigit = true;
                if (sawDecimal) --m_Scale;
                if (c != u'0' || !m_Digits.empty()) m_Digits.push_back(char(c));   // no leading zeros
            } else if (c == m_Separators.m_Decimal && !sawDecimal) {
                sawDecimal = true;
            } else if (!(sawDigit && IsThousands(c))) {
                break;
            }
        }
        if (!sawDigit) return false;
        if (platform::LowerAscii(*m_Pos) != u'e') return true;
        ++m_Pos;
        bool negative = false;
        if (*m_Pos == u'+' || *m_Pos == u'-') negative = *m_Pos++ == u'-';
        if (!IsDigit(*m_Pos)) return false;
        std::int64_t exponent = 0;
        for (; IsDigit(*m_Pos); ++m_Pos)
            if (exponent < kExponentLimit) exponent = exponent * 10 + (*m_Pos - u'0');
        m_Scale += negative ? -exponent : exponent;
        return true;
    }

    bool ScanRadixBody() {
        const char16_t kind = platform::LowerAscii(m_Pos[1]);
        if (kind != u'h' && kind != u'o') return false;
        m_RadixBits = kind == u'h' ? 4 : 3;
        m_Pos += 2;
        const OLECHAR* start = m_Pos;
        for (int digit; (digit = RadixDigit(*m_Pos)) >= 0; ++m_Pos)
            if (m_RadixValue <= 0xFFFFFFFFu) m_RadixValue = (m_RadixValue << m_RadixBits) | unsigned(digit);
        return m_Pos != start;
    }

    int RadixDigit(char16_t c) const {
        const int digit = platform::DigitValue(c);
        return digit < (1 << m_RadixBits) ? digit : -1;
    }

    bool ScanSuffix() {
        SkipBlanks();
        if (!m_Signed && !m_Parenthesis && ScanSign()) SkipBlanks();
        if (m_Parenthesis) {
            if (*m_Pos != u')') return false;
            ++m_Pos;
            SkipBlanks();
        }
        return *m_Pos == 0;
    }

    // &H and &O give a 32-bit pattern: &HFFFFFFFF is -1.
    HRESULT RadixValue(double& value) const {
        if (m_RadixValue > 0xFFFFFFFFu) return DISP_E_OVERFLOW;
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_RadixValue));
        return S_OK;
    }

    // value = m_Digits × 10^m_Scale
    HRESULT DecimalValue(double& value) const {
        value = 0.0;
        if (m_Digits.empty()) return S_OK;
        const std::int64_t magnitude = std::int64_t(m_Digits.size()) + m_Scale;   // 10^(magnitude-1) <= value
        if (magnitude > 400) return DISP_E_OVERFLOW;
        if (magnitude < -400) return S_OK;
        const std::string text = m_Digits + "e" + std::to_string(m_Scale);
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc::result_out_of_range) {
            value = 0.0;
            return magnitude > 0 ? DISP_E_OVERFLOW : S_OK;
        }
        return ec == std::errc() && end == text.data() + text.size() ? S_OK : DISP_E_TYPEMISMATCH;
    }

    static constexpr std::int64_t kExponentLimit = 100000;   // far beyond any double

    const OLECHAR* m_Pos;
    NumberSeparators m_Separators;
    bool m_Negative = false;
    bool m_Signed = false;
    bool m_Parenthesis = false;
    std::string m_Digits;        // significant digits, leading zeros dropped
    std::int64_t m_Scale = 0;    // power of ten of the last digit in m_Digits
    int m_RadixBits = 0;
    std::uint64_t m_RadixValue = 0;
};

// Every significant decimal digit of a positive finite double (at most 767 of them), and the
// power of ten of the first one.
struct ExactDigits {
    std::string m_Digits;
    int m_Exponent = 0;
};

ExactDigits ExactDigitsOf(double value) {
    char buffer[800];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 770);
    (void)ec;   // 770 digits and an exponent always fit
    const std::string text(buffer, end);   // "d.ddd...e+XX"
    const std::size_t e = text.find('e');
    ExactDigits exact;
    exact.m_Digits = text.substr(0, 1) + text.substr(2, e - 2);
    exact.m_Exponent = std::stoi(text.substr(e + 1));
    return exact;
}

// printf's %.<digits>G (without trailing zeros), rounding a tie away from zero as Windows does:
// 0.5 shows as "0.5", 1e15 as "1E+15", 2.5e-10 as "2.5E-10".
std::string GeneralNotation(ExactDigits exact, int digits) {
    std::string kept = exact.m_Digits.substr(0, std::size_t(digits));
    if (exact.m_Digits.size() > std::size_t(digits) && exact.m_Digits[std::size_t(digits)] >= '5') {
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
        if (i == 0) {
            kept.insert(kept.begin(), '1');
            kept.pop_back();
            ++exact.m_Exponent;
        } else {
            ++kept[i - 1];
        }
    }
    while (kept.size() > 1 && kept.back() == '0') kept.pop_back();
    const int exponent = exact.m_Exponent;
    if (exponent < -4 || exponent >= digits) {
        std::string text = kept.substr(0, 1);
        if (kept.size() > 1) text += "." + kept.substr(1);
        const std::string power = std::to_string(exponent < 0 ? -exponent : exponent);
        return text + (exponent < 0 ? "E-" : "E+") + (power.size() < 2 ? "0" : "") + power;
    }
    if (exponent < 0) return "0." + std::string(std::size_t(-exponent - 1), '0') + kept;
    const std::size_t whole = std::size_t(exponent) + 1;
    if (kept.size() <= whole) return kept + std::string(whole - kept.size(), '0');
    return kept.substr(0, whole) + "." + kept.substr(whole);
}

}  // namespace

NumberSeparators SeparatorsFor(LCID lcid) {
    switch (lcid & 0xFFFF) {   // the language id; sort bits do not matter
    case 0x0409:               // English (United States)
    case 0x0809:               // English (United Kingdom)
    case 0x007F:               // invariant
        return {u'.', u','};
    case 0x0407:               // German (Germany)
        return {u',', u'.'};
    case 0x040C:               // French (France)
        return {u',', kNoBreakSpace};
    default:
        break;
    }
    const char16_t decimal = platform::UserDecimalSeparator();
    return {decimal, decimal == u',' ? u'.' : u','};
}

HRESULT ParseNumber(const OLECHAR* text, NumberSeparators separators, double& value) {
    return NumberScanner(text, separators).Scan(value);
}

HRESULT RoundToInteger(double value, long long lowest, long long highest, long long& result) {
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    // highest + 1 is a power of two, so the double comparison is exact.
    if (!(rounded >= double(lowest) && rounded < double(highest) + 1.0)) return DISP_E_OVERFLOW;
    result = static_cast<long long>(rounded);
    return S_OK;
}

std::u16string FormatReal(double value, int significantDigits, char16_t decimal) {
    std::string text;
    if (!std::isfinite(value)) {
        text = std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
    } else if (value != 0.0) {   // -0 shows as "0"
        text = value < 0 ? "-" : "";
        text += GeneralNotation(ExactDigitsOf(std::fabs(value)), significantDigits);
    } else {
        text = "0";
    }
    std::u16string result;
    for (char c : text) result.push_back(c == '.' ? decimal : char16_t(c));
    return result;
}

std::u16string FormatInteger(long long value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;   // 32 characters always hold a long long
    return std::u16string(buffer, end);
}

}  // namespace tarn::compat

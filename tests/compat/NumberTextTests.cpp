// VarR8FromStr and VarI4FromStr. The expectations are what oleaut32 gives; explicit LCIDs keep
// the results independent of the host's regional settings. Left out on purpose, because Wine
// differs from Windows or from compat/posix there: "1.7976931348623157e308" (Wine overflows),
// "&HFFFFFFFF" as a double (Wine overflows; -1 here), "+-1" (Wine takes the second sign),
// currency symbols (compat/posix knows none) and French thousands separators (U+00A0 or U+202F).
#include "tests/compat/CompatTest.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tarn::test::Ascii;
using tarn::test::OleString;

constexpr LCID kEnglish = 0x0409;
constexpr LCID kGerman = 0x0407;
constexpr HRESULT kOk = S_OK;
constexpr HRESULT kNoNumber = DISP_E_TYPEMISMATCH;
constexpr HRESULT kOverflow = DISP_E_OVERFLOW;

struct Case {
    const OLECHAR* text;
    LCID lcid;
    HRESULT realHr;
    double real;
    HRESULT integerHr;
    LONG integer;
};

// One row for a text that is no number (or too big) as either type.
Case Rejected(const OLECHAR* text, LCID lcid, HRESULT hr) { return {text, lcid, hr, 0, hr, 0}; }

void Check(const Case& c) {
    const OleString text(c.text);
    SCOPED_TRACE("\"" + Ascii(text.data(), text.size()) + "\" in locale " + std::to_string(c.lcid));
    DOUBLE real = -999;
    LONG integer = -999;
    EXPECT_EQ(VarR8FromStr(const_cast<OLECHAR*>(c.text), c.lcid, 0, &real), c.realHr);
    EXPECT_EQ(VarI4FromStr(const_cast<OLECHAR*>(c.text), c.lcid, 0, &integer), c.integerHr);
    EXPECT_EQ(real, SUCCEEDED(c.realHr) ? c.real : -999);   // untouched on failure
    EXPECT_EQ(integer, SUCCEEDED(c.integerHr) ? c.integer : -999);
}

TEST(NumberText, SignsBlanksExponentsAndRounding) {
    const Case cases[] = {
        {OLESTR("- 5"), kEnglish, kOk, -5, kOk, -5},
        {OLESTR("5-"), kEnglish, kOk, -5, kOk, -5},     // trailing sign
        {OLESTR("(5)"), kEnglish, kOk, -5, kOk, -5},    // accountants' negative
        {OLESTR("\t42\n"), kEnglish, kOk, 42, kOk, 42},
        {OLESTR("\u00a05"), kEnglish, kOk, 5, kOk, 5},  // no-break space
        {OLESTR("1E-2"), kEnglish, kOk, 0.01, kOk, 0},
        {OLESTR("1.5e+2"), kEnglish, kOk, 150, kOk, 150},
        {OLESTR("2.5"), kEnglish, kOk, 2.5, kOk, 2},     // integers round half to even
        {OLESTR("3.5"), kEnglish, kOk, 3.5, kOk, 4},
        {OLESTR("-0.5"), kEnglish, kOk, -0.5, kOk, 0},
        {OLESTR("-2147483648"), kEnglish, kOk, -2147483648.0, kOk, LONG(-2147483647 - 1)},
        {OLESTR("2147483648"), kEnglish, kOk, 2147483648.0, kOverflow, 0},
        {OLESTR("2147483647.5"), kEnglish, kOk, 2147483647.5, kOverflow, 0},
        {OLESTR("&hFF"), kEnglish, kOk, 255, kOk, 255},   // hex and octal are 32-bit patterns
        {OLESTR("&O17"), kEnglish, kOk, 15, kOk, 15},
        {OLESTR("&H80000000"), kEnglish, kOk, -2147483648.0, kOk, LONG(-2147483647 - 1)},
        Rejected(OLESTR("&H100000000"), kEnglish, kOverflow),
        Rejected(OLESTR("1.8e308"), kEnglish, kOverflow),
        Rejected(OLESTR("1e+"), kEnglish, kNoNumber),
        Rejected(OLESTR("1 e2"), kEnglish, kNoNumber),
        Rejected(OLESTR("--1"), kEnglish, kNoNumber),
        Rejected(OLESTR("12 34"), kEnglish, kNoNumber),
        Rejected(OLESTR("&H"), kEnglish, kNoNumber),
        Rejected(OLESTR("0x10"), kEnglish, kNoNumber),
    };
    for (const Case& c : cases) Check(c);
    LONG integer = 0;
    EXPECT_EQ(VarI4FromStr(const_cast<OLECHAR*>(OLESTR("&HFFFFFFFF")), kEnglish, 0, &integer), S_OK);
    EXPECT_EQ(integer, -1);
    for (const OLECHAR* text : {OLESTR(""), OLESTR("   "), OLESTR("12abc"), OLESTR(","), OLESTR("-")})
        for (LCID lcid : {kEnglish, kGerman}) Check(Rejected(text, lcid, kNoNumber));
}

TEST(NumberText, SeparatorsFollowTheLocale) {
    const Case cases[] = {
        {OLESTR("1.5"), LOCALE_INVARIANT, kOk, 1.5, kOk, 2},
        {OLESTR("1.5"), kGerman, kOk, 15, kOk, 15},   // '.' groups thousands in German
        {OLESTR("1,5"), kEnglish, kOk, 15, kOk, 15},  // ',' groups thousands in English
        {OLESTR("1,5"), 0x040C, kOk, 1.5, kOk, 2},
        Rejected(OLESTR("1.5"), 0x040C, kNoNumber),
        {OLESTR("1,000.5"), kEnglish, kOk, 1000.5, kOk, 1000},
        {OLESTR("1.000,5"), kGerman, kOk, 1000.5, kOk, 1000},
        {OLESTR("1,,000"), kEnglish, kOk, 1000, kOk, 1000},
        {OLESTR(",5"), kGerman, kOk, 0.5, kOk, 0},
        {OLESTR("1,5e2"), kGerman, kOk, 150, kOk, 150},
        // A thousands separator after the decimal one is skipped too.
        {OLESTR("1,000.5"), kGerman, kOk, 1.0005, kOk, 1},
        Rejected(OLESTR(",5"), kEnglish, kNoNumber),  // no thousands separator before a digit
        Rejected(OLESTR("1.2.3"), kEnglish, kNoNumber),   // two decimal separators
        Rejected(OLESTR("1 000"), kGerman, kNoNumber),
    };
    for (const Case& c : cases) Check(c);
}

// The user's default locale belongs to the host (Windows: the regional settings; POSIX: the
// locale named by LC_ALL, LC_NUMERIC or LANG, read on every call), so the same text can give
// different numbers on different machines. Here the text uses the separator the platform reports.
TEST(NumberText, UserDefaultLocaleUsesTheUsersDecimalSeparator) {
    const OleString separator(1, static_cast<OLECHAR>(tarn::platform::UserDecimalSeparator()));
    OleString text = OLESTR("1") + separator + OLESTR("5");
    DOUBLE real = 0;
    LONG integer = 0;
    EXPECT_EQ(VarR8FromStr(&text[0], LOCALE_USER_DEFAULT, 0, &real), S_OK);
    EXPECT_EQ(real, 1.5);
    EXPECT_EQ(VarI4FromStr(&text[0], LOCALE_USER_DEFAULT, 0, &integer), S_OK);
    EXPECT_EQ(integer, 2);

    VARIANT half;
    V_VT(&half) = VT_R8;
    V_R8(&half) = 0.5;
    tarn::test::ScopedVariant shown;
    ASSERT_EQ(VariantChangeType(shown.get(), &half, 0, VT_BSTR), S_OK);
    EXPECT_EQ(OleString(V_BSTR(shown.get())), OLESTR("0") + separator + OLESTR("5"));
}

}  // namespace

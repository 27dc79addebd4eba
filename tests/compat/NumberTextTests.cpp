// VarR8FromStr and VarI4FromStr. The expectations are what oleaut32 gives (observed under Wine,
// which agrees with Windows' documented rules for these inputs); explicit LCIDs keep the results
// independent of the host's regional settings.
//
// Left out on purpose:
// - "1.7976931348623157e308": Wine reports DISP_E_OVERFLOW (it loses precision on the way); the
//   value is DBL_MAX, which Windows and compat/posix return.
// - "&HFFFFFFFF" as a double: Wine overflows although the same text is -1 as a 32-bit integer;
//   compat/posix gives -1 for both, the value the text stands for.
// - "+-1": Wine takes the second sign; compat/posix does not take two signs.
// - currency symbols ("$5" under 0x0409): compat/posix knows no currency symbols.
// - French thousands separators: Windows has used both U+00A0 and U+202F.
#include "tests/compat/CompatTest.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

TEST(NumberText, PlainNumbersSignsBlanksAndExponents) {
    const Case cases[] = {
        {OLESTR("0"), kEnglish, kOk, 0, kOk, 0},
        {OLESTR("123"), kEnglish, kOk, 123, kOk, 123},
        {OLESTR("0001"), kEnglish, kOk, 1, kOk, 1},
        {OLESTR("-123"), kEnglish, kOk, -123, kOk, -123},
        {OLESTR("+7"), kEnglish, kOk, 7, kOk, 7},
        {OLESTR("- 5"), kEnglish, kOk, -5, kOk, -5},
        {OLESTR("5-"), kEnglish, kOk, -5, kOk, -5},     // trailing sign
        {OLESTR("(5)"), kEnglish, kOk, -5, kOk, -5},    // accountants' negative
        {OLESTR(" 42 "), kEnglish, kOk, 42, kOk, 42},
        {OLESTR("\t42\t"), kEnglish, kOk, 42, kOk, 42},
        {OLESTR("\n5"), kEnglish, kOk, 5, kOk, 5},
        {OLESTR("5\n"), kEnglish, kOk, 5, kOk, 5},
        {OLESTR("\u00a05"), kEnglish, kOk, 5, kOk, 5},  // no-break space
        {OLESTR("1e3"), kEnglish, kOk, 1000, kOk, 1000},
        {OLESTR("1E2"), kEnglish, kOk, 100, kOk, 100},
        {OLESTR("1e02"), kEnglish, kOk, 100, kOk, 100},
        {OLESTR("1E-2"), kEnglish, kOk, 0.01, kOk, 0},
        {OLESTR("1.5e2"), kEnglish, kOk, 150, kOk, 150},
        {OLESTR("1.5e+2"), kEnglish, kOk, 150, kOk, 150},
        {OLESTR("1e-400"), kEnglish, kOk, 0, kOk, 0},
        Rejected(OLESTR("1e400"), kEnglish, kOverflow),
        Rejected(OLESTR("-1e400"), kEnglish, kOverflow),
        Rejected(OLESTR("1.8e308"), kEnglish, kOverflow),
        Rejected(OLESTR("1e"), kEnglish, kNoNumber),
        Rejected(OLESTR("1e+"), kEnglish, kNoNumber),
        Rejected(OLESTR("e5"), kEnglish, kNoNumber),
        Rejected(OLESTR("1d2"), kEnglish, kNoNumber),
        Rejected(OLESTR("1 e2"), kEnglish, kNoNumber),
        Rejected(OLESTR("--1"), kEnglish, kNoNumber),
        Rejected(OLESTR("12 34"), kEnglish, kNoNumber),
    };
    for (const Case& c : cases) Check(c);
}

TEST(NumberText, IntegersRoundHalfToEvenAndOverflowPast32Bits) {
    const Case cases[] = {
        {OLESTR("2.5"), kEnglish, kOk, 2.5, kOk, 2},
        {OLESTR("3.5"), kEnglish, kOk, 3.5, kOk, 4},
        {OLESTR("-2.5"), kEnglish, kOk, -2.5, kOk, -2},
        {OLESTR("1.5"), kEnglish, kOk, 1.5, kOk, 2},
        {OLESTR("-0.5"), kEnglish, kOk, -0.5, kOk, 0},
        {OLESTR("2147483647"), kEnglish, kOk, 2147483647.0, kOk, 2147483647},
        {OLESTR("-2147483648"), kEnglish, kOk, -2147483648.0, kOk, LONG(-2147483647 - 1)},
        {OLESTR("2147483648"), kEnglish, kOk, 2147483648.0, kOverflow, 0},
        {OLESTR("-2147483649"), kEnglish, kOk, -2147483649.0, kOverflow, 0},
        {OLESTR("2147483647.5"), kEnglish, kOk, 2147483647.5, kOverflow, 0},
    };
    for (const Case& c : cases) Check(c);
}

TEST(NumberText, SeparatorsFollowTheLocale) {
    const Case cases[] = {
        {OLESTR("1.5"), kEnglish, kOk, 1.5, kOk, 2},
        {OLESTR("1.5"), 0x0809, kOk, 1.5, kOk, 2},
        {OLESTR("1.5"), LOCALE_INVARIANT, kOk, 1.5, kOk, 2},
        {OLESTR("1.5"), kGerman, kOk, 15, kOk, 15},   // '.' groups thousands in German
        {OLESTR("1,5"), kEnglish, kOk, 15, kOk, 15},  // ',' groups thousands in English
        {OLESTR("1,5"), LOCALE_INVARIANT, kOk, 15, kOk, 15},
        {OLESTR("1,5"), kGerman, kOk, 1.5, kOk, 2},
        {OLESTR("1,5"), 0x040C, kOk, 1.5, kOk, 2},
        Rejected(OLESTR("1.5"), 0x040C, kNoNumber),
        {OLESTR("0,5"), kEnglish, kOk, 5, kOk, 5},
        {OLESTR("0.5"), kGerman, kOk, 5, kOk, 5},
        {OLESTR("1,000"), kEnglish, kOk, 1000, kOk, 1000},
        {OLESTR("1,000"), kGerman, kOk, 1, kOk, 1},
        {OLESTR("1,000.5"), kEnglish, kOk, 1000.5, kOk, 1000},
        {OLESTR("1.000,5"), kGerman, kOk, 1000.5, kOk, 1000},
        {OLESTR("1,2,3"), kEnglish, kOk, 123, kOk, 123},
        {OLESTR("1,,000"), kEnglish, kOk, 1000, kOk, 1000},
        {OLESTR("5,"), kEnglish, kOk, 5, kOk, 5},
        {OLESTR("5."), kEnglish, kOk, 5, kOk, 5},
        {OLESTR("5."), kGerman, kOk, 5, kOk, 5},
        {OLESTR(".5"), kEnglish, kOk, 0.5, kOk, 0},
        {OLESTR(",5"), kGerman, kOk, 0.5, kOk, 0},
        {OLESTR("1,5e2"), kEnglish, kOk, 1500, kOk, 1500},
        {OLESTR("1,5e2"), kGerman, kOk, 150, kOk, 150},
        {OLESTR("1.2.3"), kGerman, kOk, 123, kOk, 123},
        {OLESTR("1..5"), kGerman, kOk, 15, kOk, 15},
        // A thousands separator after the decimal one is skipped too.
        {OLESTR("1,000.5"), kGerman, kOk, 1.0005, kOk, 1},
        Rejected(OLESTR(",5"), kEnglish, kNoNumber),  // no thousands separator before a digit
        Rejected(OLESTR(".5"), kGerman, kNoNumber),
        Rejected(OLESTR("1.2.3"), kEnglish, kNoNumber),   // two decimal separators
        Rejected(OLESTR("1.5."), kEnglish, kNoNumber),
        Rejected(OLESTR("1..5"), kEnglish, kNoNumber),
        Rejected(OLESTR("1,2,3"), kGerman, kNoNumber),
        Rejected(OLESTR("1 000"), kEnglish, kNoNumber),
        Rejected(OLESTR("1 000"), kGerman, kNoNumber),
    };
    for (const Case& c : cases) Check(c);
}

TEST(NumberText, HexAndOctalAre32BitPatterns) {
    const Case cases[] = {
        {OLESTR("&H10"), kEnglish, kOk, 16, kOk, 16},
        {OLESTR("&hFF"), kEnglish, kOk, 255, kOk, 255},
        {OLESTR("&O17"), kEnglish, kOk, 15, kOk, 15},
        {OLESTR("&H80000000"), kEnglish, kOk, -2147483648.0, kOk, LONG(-2147483647 - 1)},
        Rejected(OLESTR("&H100000000"), kEnglish, kOverflow),
        Rejected(OLESTR("&H"), kEnglish, kNoNumber),
        Rejected(OLESTR("0x10"), kEnglish, kNoNumber),
    };
    for (const Case& c : cases) Check(c);
    LONG integer = 0;
    EXPECT_EQ(VarI4FromStr(const_cast<OLECHAR*>(OLESTR("&HFFFFFFFF")), kEnglish, 0, &integer), S_OK);
    EXPECT_EQ(integer, -1);
}

TEST(NumberText, TextThatIsNoNumber) {
    for (const OLECHAR* text : {OLESTR(""), OLESTR("   "), OLESTR("abc"), OLESTR("12abc"), OLESTR(","),
                                OLESTR("."), OLESTR("-"), OLESTR("+")})
        for (LCID lcid : {kEnglish, kGerman}) Check(Rejected(text, lcid, kNoNumber));
}

// The user's default locale belongs to the host (Windows: the regional settings; POSIX: the
// locale named by LC_ALL, LC_NUMERIC or LANG), so the same text can give different numbers on
// different machines. Here the text is written with the separator the platform reports.
TEST(NumberText, UserDefaultLocaleUsesTheUsersDecimalSeparator) {
    const OLECHAR separator = static_cast<OLECHAR>(platform::UserDecimalSeparator());
    OleString text = OLESTR("1");
    text += separator;
    text += OLESTR("5");
    DOUBLE real = 0;
    LONG integer = 0;
    EXPECT_EQ(VarR8FromStr(&text[0], LOCALE_USER_DEFAULT, 0, &real), S_OK);
    EXPECT_EQ(real, 1.5);
    EXPECT_EQ(VarI4FromStr(&text[0], LOCALE_USER_DEFAULT, 0, &integer), S_OK);
    EXPECT_EQ(integer, 2);

    VARIANT half;
    V_VT(&half) = VT_R8;
    V_R8(&half) = 0.5;
    tarn::test::CScopedVariant shown;
    ASSERT_EQ(VariantChangeType(shown.get(), &half, 0, VT_BSTR), S_OK);
    OleString expected = OLESTR("0");
    expected += separator;
    expected += OLESTR("5");
    EXPECT_EQ(OleString(V_BSTR(shown.get())), expected);
}

#ifndef _WIN32
// Windows takes the user's locale from the regional settings, which a test cannot change; here
// it follows the environment on every call.
TEST(NumberText, UserDefaultLocaleFollowsTheEnvironment) {
    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    DOUBLE german = 0;
    EXPECT_EQ(VarR8FromStr(const_cast<OLECHAR*>(OLESTR("1,5")), LOCALE_USER_DEFAULT, 0, &german), S_OK);
    setenv("LC_ALL", "C", 1);
    DOUBLE plain = 0;
    EXPECT_EQ(VarR8FromStr(const_cast<OLECHAR*>(OLESTR("1,5")), LOCALE_USER_DEFAULT, 0, &plain), S_OK);
    if (saved) setenv("LC_ALL", savedValue.c_str(), 1);
    else unsetenv("LC_ALL");
    EXPECT_EQ(german, 1.5);
    EXPECT_EQ(plain, 15);
}
#endif

}  // namespace

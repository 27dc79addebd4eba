// VariantChangeTypeEx and VarR8FromStr: the results oleaut32 gives. Explicit LCIDs keep them
// independent of the host's regional settings. Left out on purpose, because Wine differs from
// Windows or from compat/posix there: "1.7976931348623157e308" (Wine overflows), "&HFFFFFFFF"
// (Wine overflows; -1 here), "+-1" (Wine takes the second sign), currency symbols (compat/posix
// knows none) and French thousands separators (U+00A0 or U+202F).
#include "tests/compat/CompatTest.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tarn::test::Describe;
using tarn::test::OleString;
using tarn::test::ScopedVariant;

constexpr LCID kEnglish = 0x0409;
constexpr LCID kGerman = 0x0407;
constexpr LCID kFrench = 0x040C;

VARIANT Number(VARTYPE vt, double number) {
    VARIANT v{};
    V_VT(&v) = vt;
    if (vt == VT_I4) V_I4(&v) = LONG(number);
    if (vt == VT_I8) V_I8(&v) = LONGLONG(number);
    if (vt == VT_R4) V_R4(&v) = FLOAT(number);
    if (vt == VT_R8) V_R8(&v) = number;
    if (vt == VT_BOOL) V_BOOL(&v) = VARIANT_BOOL(number);
    return v;
}
VARIANT Text(const OLECHAR* text) {
    VARIANT v{};
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text ? tarn::test::NewBstr(text) : nullptr;
    return v;
}

TEST(ChangeType, Conversions) {
    const struct {
        VARIANT source;
        VARTYPE target;
        HRESULT hr;
        const char* expected;   // Describe() of the result when hr is S_OK
        LCID lcid;
    } cases[] = {
        // Numbers to text: 15 significant digits for doubles, 7 for floats, exponents from 1E+15.
        {Number(VT_I8, 5000000000.0), VT_BSTR, S_OK, "BSTR:5000000000", kEnglish},
        {Number(VT_R8, -0.0), VT_BSTR, S_OK, "BSTR:0", kEnglish},
        {Number(VT_R8, 1.0 / 3), VT_BSTR, S_OK, "BSTR:0.333333333333333", kEnglish},
        {Number(VT_R8, 1e15), VT_BSTR, S_OK, "BSTR:1E+15", kEnglish},
        {Number(VT_R8, -1.25), VT_BSTR, S_OK, "BSTR:-1,25", kGerman},
        {Number(VT_R4, 0.1), VT_BSTR, S_OK, "BSTR:0.1", kEnglish},   // 7 digits hide the float's error
        // Exact ties round away from zero, not to even.
        {Number(VT_R4, 824529.25), VT_BSTR, S_OK, "BSTR:824529.3", kEnglish},
        {Number(VT_R8, -5.779937744140625), VT_BSTR, S_OK, "BSTR:-5.77993774414063", kEnglish},
        {Number(VT_BOOL, -1), VT_BSTR, S_OK, "BSTR:-1", kEnglish},
        // Between numbers: half to even, and the range is checked after rounding.
        {Number(VT_R8, 2.5), VT_I4, S_OK, "I4:2", kEnglish},
        {Number(VT_R8, -2147483648.5), VT_I4, S_OK, "I4:-2147483648", kEnglish},
        {Number(VT_R8, 2147483647.5), VT_I4, DISP_E_OVERFLOW, "", kEnglish},
        {Number(VT_I8, 5000000000.0), VT_I4, DISP_E_OVERFLOW, "", kEnglish},
        {Number(VT_BOOL, -1), VT_UI1, S_OK, "UI1:255", kEnglish},   // a Boolean is taken bit for bit
        // Text to numbers follows the locale.
        {Text(OLESTR("1,5")), VT_I4, S_OK, "I4:15", kEnglish},   // a thousands separator in English
        {Text(OLESTR("1,5")), VT_R8, S_OK, "R8:1.5", kGerman},
        {Text(nullptr), VT_I4, DISP_E_TYPEMISMATCH, "", kEnglish},
        {Text(OLESTR("#TRUE#")), VT_BOOL, S_OK, "BOOL:-1", kEnglish},
        {Text(OLESTR(" true ")), VT_BOOL, DISP_E_TYPEMISMATCH, "", kEnglish},
        {Number(VT_NULL, 0), VT_I4, DISP_E_TYPEMISMATCH, "", kEnglish},
        {Number(VT_I4, 123), VT_BYREF | VT_I4, DISP_E_TYPEMISMATCH, "", kEnglish},
        {Number(0x7F, 0), VT_I4, DISP_E_BADVARTYPE, "", kEnglish},
    };
    for (auto c : cases) {
        SCOPED_TRACE(Describe(c.source) + " to vt " + std::to_string(c.target));
        ScopedVariant result;
        const HRESULT hr = VariantChangeTypeEx(result.get(), &c.source, c.lcid, 0, c.target);
        EXPECT_EQ(hr, c.hr);
        EXPECT_EQ(Describe(*result.get()), SUCCEEDED(hr) ? c.expected : "vt=0x0");
        if (V_VT(&c.source) == VT_BSTR) VariantClear(&c.source);
    }
}

TEST(ChangeType, ReferencesAreReadThroughAndFailureLeavesTheDestinationUnchanged) {
    ScopedVariant text, result;
    *text.get() = Text(OLESTR("77"));
    VARIANT reference;
    V_VT(&reference) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&reference) = &V_BSTR(text.get());
    EXPECT_EQ(VariantChangeTypeEx(result.get(), &reference, kEnglish, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(*result.get()), "I4:77");
    V_BSTR(text.get())[0] = OLECHAR('z');
    EXPECT_EQ(VariantChangeType(text.get(), text.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);   // in place
    EXPECT_EQ(Describe(*text.get()), "BSTR:z7");
    EXPECT_EQ(VariantChangeType(result.get(), text.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Describe(*result.get()), "I4:77");
    V_BSTR(text.get())[0] = OLECHAR('1');
    EXPECT_EQ(VariantChangeType(text.get(), text.get(), 0, VT_I4), S_OK);   // in place frees the old text
    EXPECT_EQ(Describe(*text.get()), "I4:17");
}

TEST(NumberText, SignsBlanksExponentsSeparatorsAndLimits) {
    const OleString userDecimal(1, OLECHAR(tarn::platform::UserDecimalSeparator()));
    const OleString userHalf = OLESTR("1") + userDecimal + OLESTR("5");
    const struct {
        const OLECHAR* text;
        LCID lcid;
        HRESULT hr;
        double value;
    } cases[] = {
        {OLESTR("- 5"), kEnglish, S_OK, -5}, {OLESTR("5-"), kEnglish, S_OK, -5}, {OLESTR("(5)"), kEnglish, S_OK, -5},
        {OLESTR("\t42\n"), kEnglish, S_OK, 42}, {OLESTR("\u00a05"), kEnglish, S_OK, 5},
        {OLESTR("1E-2"), kEnglish, S_OK, 0.01}, {OLESTR("1.5e+2"), kEnglish, S_OK, 150},
        {OLESTR("&hFF"), kEnglish, S_OK, 255}, {OLESTR("&O17"), kEnglish, S_OK, 15},   // 32-bit patterns
        {OLESTR("&H80000000"), kEnglish, S_OK, -2147483648.0},
        {OLESTR("1.5"), LOCALE_INVARIANT, S_OK, 1.5}, {OLESTR("1.5"), kGerman, S_OK, 15},
        {OLESTR("1,5"), kFrench, S_OK, 1.5}, {OLESTR("1,000.5"), kEnglish, S_OK, 1000.5},
        {OLESTR("1.000,5"), kGerman, S_OK, 1000.5}, {OLESTR("1,,000"), kEnglish, S_OK, 1000},
        {OLESTR(",5"), kGerman, S_OK, 0.5}, {OLESTR("1,5e2"), kGerman, S_OK, 150},
        {OLESTR("1,000.5"), kGerman, S_OK, 1.0005},   // thousands separators after the decimal one too
        {userHalf.c_str(), LOCALE_USER_DEFAULT, S_OK, 1.5},
        {OLESTR("&H100000000"), kEnglish, DISP_E_OVERFLOW, 0}, {OLESTR("1.8e308"), kEnglish, DISP_E_OVERFLOW, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tarn::test::Ascii(c.text, OleString(c.text).size()) + " in " + std::to_string(c.lcid));
        DOUBLE value = -999;
        EXPECT_EQ(VarR8FromStr(const_cast<OLECHAR*>(c.text), c.lcid, 0, &value), c.hr);
        EXPECT_EQ(value, SUCCEEDED(c.hr) ? c.value : -999);   // untouched on failure
    }
    for (const OLECHAR* text : {OLESTR(""), OLESTR("   "), OLESTR("12abc"), OLESTR(","), OLESTR("-"), OLESTR("1e+"),
                                OLESTR("1 e2"), OLESTR("--1"), OLESTR("12 34"), OLESTR("&H"), OLESTR("0x10"),
                                OLESTR("1.2.3"), OLESTR(",5")}) {
        DOUBLE value = 0;
        EXPECT_EQ(VarR8FromStr(const_cast<OLECHAR*>(text), kEnglish, 0, &value), DISP_E_TYPEMISMATCH)
            << tarn::test::Ascii(text, OleString(text).size());
    }
    VARIANT half = Number(VT_R8, 0.5);
    ScopedVariant shown;
    ASSERT_EQ(VariantChangeType(shown.get(), &half, 0, VT_BSTR), S_OK);   // the user's separator
    EXPECT_EQ(OleString(V_BSTR(shown.get())), OLESTR("0") + userDecimal + OLESTR("5"));
}

}  // namespace

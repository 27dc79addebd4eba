// VariantChangeTypeEx and VarR8FromStr give what oleaut32 gives, in explicit locales. Left out
// because Wine differs: "1.7976931348623157e308", "&HFFFFFFFF", "+-1", currency symbols and
// French thousands separators.
#include "tests/compat/CompatTest.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

using tarn::test::OleString;
using tarn::test::ScopedVariant;

constexpr LCID kEnglish = 0x0409;
constexpr LCID kGerman = 0x0407;

VARIANT Of(VARTYPE vt, double number, const OLECHAR* text = nullptr) {
    VARIANT v{};
    V_VT(&v) = vt;
    if (vt == VT_I8) V_I8(&v) = LONGLONG(number);
    if (vt == VT_R4) V_R4(&v) = FLOAT(number);
    if (vt == VT_R8) V_R8(&v) = number;
    if (vt == VT_BOOL) V_BOOL(&v) = VARIANT_BOOL(number);
    if (vt == VT_BSTR) V_BSTR(&v) = text ? tarn::test::NewBstr(text) : nullptr;
    return v;
}

// Type and value as text ("3:17"): the value shown through the conversion to text.
std::string Shown(VARIANT& v) {
    ScopedVariant text;
    if (FAILED(VariantChangeTypeEx(text.get(), &v, kEnglish, 0, VT_BSTR))) return "vt " + std::to_string(V_VT(&v));
    return std::to_string(V_VT(&v)) + ":" + tarn::test::Ascii(V_BSTR(text.get()));
}

TEST(ChangeType, Conversions) {
    const struct {
        VARIANT source;
        VARTYPE target;
        HRESULT hr;
        const char* expected;   // Shown() of the result when hr is S_OK
        LCID lcid;
    } cases[] = {
        // Numbers to text: 15 significant digits for doubles, 7 for floats; exact ties round away
        // from zero, not to even.
        {Of(VT_R8, 1.0 / 3), VT_BSTR, S_OK, "8:0.333333333333333", kEnglish},
        {Of(VT_R8, -1.25), VT_BSTR, S_OK, "8:-1,25", kGerman},
        {Of(VT_R4, 824529.25), VT_BSTR, S_OK, "8:824529.3", kEnglish},
        {Of(VT_R8, -5.779937744140625), VT_BSTR, S_OK, "8:-5.77993774414063", kEnglish},
        {Of(VT_BOOL, -1), VT_BSTR, S_OK, "8:-1", kEnglish},
        // Between numbers: half to even, the range checked after rounding; a Boolean bit for bit.
        {Of(VT_R8, 2.5), VT_I4, S_OK, "3:2", kEnglish},
        {Of(VT_R8, 2147483647.5), VT_I4, DISP_E_OVERFLOW, "", kEnglish},
        {Of(VT_I8, 5000000000.0), VT_I4, DISP_E_OVERFLOW, "", kEnglish},
        {Of(VT_BOOL, -1), VT_UI1, S_OK, "17:255", kEnglish},
        // Text to numbers follows the locale.
        {Of(VT_BSTR, 0, OLESTR("1,5")), VT_R8, S_OK, "5:1.5", kGerman},
        {Of(VT_BSTR, 0, OLESTR("#TRUE#")), VT_BOOL, S_OK, "11:-1", kEnglish},
        {Of(0x7F, 0), VT_I4, DISP_E_BADVARTYPE, "", kEnglish},
    };
    for (auto c : cases) {
        ScopedVariant result;
        EXPECT_EQ(VariantChangeTypeEx(result.get(), &c.source, c.lcid, 0, c.target), c.hr) << c.expected;
        EXPECT_EQ(Shown(*result.get()), SUCCEEDED(c.hr) ? c.expected : "0:") << c.expected;   // failure leaves it empty
        if (V_VT(&c.source) == VT_BSTR) VariantClear(&c.source);
    }
    // A failure leaves the destination as it was; a reference is read through; in place works.
    ScopedVariant text, result;
    *text.get() = Of(VT_BSTR, 0, OLESTR("z7"));
    VARIANT reference = Of(VT_BYREF | VT_BSTR, 0);
    V_BSTRREF(&reference) = &V_BSTR(text.get());
    EXPECT_EQ(VariantChangeType(text.get(), &reference, 0, VT_I4), DISP_E_TYPEMISMATCH);
    V_BSTR(text.get())[0] = OLECHAR('1');
    EXPECT_EQ(VariantChangeType(result.get(), &reference, 0, VT_I4), S_OK);
    EXPECT_EQ(VariantChangeType(text.get(), text.get(), 0, VT_I4), S_OK);   // frees the old text
    EXPECT_EQ(Shown(*text.get()) + " " + Shown(*result.get()), "3:17 3:17");
}

TEST(NumberText, SignsBlanksExponentsSeparatorsAndLimits) {
    const OleString half = OLESTR("1") + OleString(1, OLECHAR(tarn::platform::UserDecimalSeparator())) + OLESTR("5");
    const struct {
        const OLECHAR* text;
        LCID lcid;
        HRESULT hr;
        double value;
    } cases[] = {
        {OLESTR("- 5"), kEnglish, S_OK, -5}, {OLESTR("(5)"), kEnglish, S_OK, -5}, {OLESTR("\u00a042\t"), kEnglish, S_OK, 42},
        {OLESTR("1E-2"), kEnglish, S_OK, 0.01}, {OLESTR("&hFF"), kEnglish, S_OK, 255}, {OLESTR("&O17"), kEnglish, S_OK, 15},
        {OLESTR("&H80000000"), kEnglish, S_OK, -2147483648.0}, {OLESTR("1.5"), kGerman, S_OK, 15},   // 32-bit; thousands
        {OLESTR("1,5"), 0x040C, S_OK, 1.5}, {OLESTR("1,,000.5"), kEnglish, S_OK, 1000.5}, {OLESTR(",5e2"), kGerman, S_OK, 50},
        {OLESTR("1,000.5"), kGerman, S_OK, 1.0005},   // thousands separators after the decimal one too
        {half.c_str(), LOCALE_USER_DEFAULT, S_OK, 1.5},
        {OLESTR("&H100000000"), kEnglish, DISP_E_OVERFLOW, 0}, {OLESTR("1.8e308"), kEnglish, DISP_E_OVERFLOW, 0},
    };
    for (const auto& c : cases) {
        DOUBLE value = -999;
        EXPECT_EQ(VarR8FromStr(const_cast<OLECHAR*>(c.text), c.lcid, 0, &value), c.hr) << c.value;
        EXPECT_EQ(value, SUCCEEDED(c.hr) ? c.value : -999);   // untouched on failure
    }
    for (const OLECHAR* text : {OLESTR(""), OLESTR("12abc"), OLESTR("-"), OLESTR("1e+"), OLESTR("1 e2"), OLESTR("--1"),
                                OLESTR("&H"), OLESTR("0x10"), OLESTR("1.2.3"), OLESTR(",5")}) {
        DOUBLE value = 0;
        EXPECT_EQ(VarR8FromStr(const_cast<OLECHAR*>(text), kEnglish, 0, &value), DISP_E_TYPEMISMATCH) << text[0];
    }
}

}  // namespace

// VariantChangeTypeEx: the results Windows gives for the conversions the component makes.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tarn::test::ScopedVariant;
using tarn::test::Describe;

constexpr LCID kEnglish = 0x0409;
constexpr LCID kGerman = 0x0407;

struct Source {
    VARTYPE vt;
    double number;
    const OLECHAR* text;   // VT_BSTR only; nullptr is a null BSTR
};

Source Number(VARTYPE vt, double number) { return {vt, number, nullptr}; }
Source Text(const OLECHAR* text) { return {VT_BSTR, 0.0, text}; }

void Fill(VARIANT& v, const Source& source) {
    VariantInit(&v);
    V_VT(&v) = source.vt;
    switch (source.vt) {
    case VT_I4: V_I4(&v) = LONG(source.number); break;
    case VT_I8: V_I8(&v) = LONGLONG(source.number); break;
    case VT_R4: V_R4(&v) = FLOAT(source.number); break;
    case VT_R8: V_R8(&v) = source.number; break;
    case VT_BOOL: V_BOOL(&v) = VARIANT_BOOL(source.number); break;
    case VT_BSTR: V_BSTR(&v) = source.text ? SysAllocString(source.text) : nullptr; break;
    default: break;
    }
}

struct Case {
    Source source;
    VARTYPE target;
    HRESULT hr;
    const char* expected;   // Describe() of the result when hr is S_OK
    LCID lcid = kEnglish;
    USHORT flags = 0;
};

void Check(const Case& c) {
    ScopedVariant source;
    Fill(*source.get(), c.source);
    SCOPED_TRACE(Describe(*source.get()) + " to vt " + std::to_string(c.target) + " in locale " +
                 std::to_string(c.lcid));
    ScopedVariant result;
    const HRESULT hr = VariantChangeTypeEx(result.get(), source.get(), c.lcid, c.flags, c.target);
    EXPECT_EQ(hr, c.hr);
    if (SUCCEEDED(hr)) EXPECT_EQ(Describe(*result.get()), c.expected);
    else EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
}

TEST(ChangeType, Conversions) {
    const Case cases[] = {
        // Numbers to text: 15 significant digits for doubles, 7 for floats, exponents from 1E+15.
        {Number(VT_I8, 5000000000.0), VT_BSTR, S_OK, "BSTR:5000000000"},
        {Number(VT_R8, -0.0), VT_BSTR, S_OK, "BSTR:0"},
        {Number(VT_R8, 1.0 / 3), VT_BSTR, S_OK, "BSTR:0.333333333333333"},
        {Number(VT_R8, 1e15), VT_BSTR, S_OK, "BSTR:1E+15"},
        {Number(VT_R8, -1.25), VT_BSTR, S_OK, "BSTR:-1,25", kGerman},
        {Number(VT_R4, 0.1), VT_BSTR, S_OK, "BSTR:0.1"},   // 7 digits hide the float's error
        // Exact ties round away from zero, not to even.
        {Number(VT_R4, 824529.25), VT_BSTR, S_OK, "BSTR:824529.3"},
        {Number(VT_R8, -5.779937744140625), VT_BSTR, S_OK, "BSTR:-5.77993774414063"},
        {Number(VT_BOOL, -1), VT_BSTR, S_OK, "BSTR:True", kEnglish, VARIANT_ALPHABOOL},
        {Number(VT_EMPTY, 0), VT_BSTR, S_OK, "BSTR:"},
        // Between numbers: half to even, and the range is checked after rounding.
        {Number(VT_R8, 2.5), VT_I4, S_OK, "I4:2"},
        {Number(VT_R8, -2147483648.5), VT_I4, S_OK, "I4:-2147483648"},
        {Number(VT_R8, 2147483647.5), VT_I4, DISP_E_OVERFLOW, ""},
        {Number(VT_R8, 1e300), VT_R4, DISP_E_OVERFLOW, ""},
        {Number(VT_I8, 5000000000.0), VT_I4, DISP_E_OVERFLOW, ""},
        {Number(VT_BOOL, -1), VT_UI1, S_OK, "UI1:255"},   // a Boolean is taken bit for bit
        // Text to numbers follows the locale.
        {Text(OLESTR("1,5")), VT_I4, S_OK, "I4:15"},   // a thousands separator in English
        {Text(OLESTR("1,5")), VT_R8, S_OK, "R8:1.5", kGerman},
        {Text(nullptr), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Text(OLESTR("#TRUE#")), VT_BOOL, S_OK, "BOOL:-1"},
        {Text(OLESTR(" true ")), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
        {Text(nullptr), VT_BSTR, S_OK, "BSTR:"},
        // Types without a conversion.
        {Number(VT_NULL, 0), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Number(VT_I4, 123), VT_EMPTY, S_OK, "EMPTY"},
        {Number(VT_I4, 123), VT_BYREF | VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Number(VT_I4, 123), 0x7F, DISP_E_BADVARTYPE, ""},
        {Number(0x7F, 0), VT_I4, DISP_E_BADVARTYPE, ""},
    };
    for (const Case& c : cases) Check(c);
}

TEST(ChangeType, ReferencesAreReadThroughAndFailureLeavesTheDestinationUnchanged) {
    BSTR text = SysAllocString(OLESTR("77"));
    VARIANT reference;
    V_VT(&reference) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&reference) = &text;
    ScopedVariant result;
    EXPECT_EQ(VariantChangeTypeEx(result.get(), &reference, kEnglish, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(*result.get()), "I4:77");
    EXPECT_EQ(tarn::test::Ascii(text), "77");   // the target still belongs to the caller
    SysFreeString(text);

    ScopedVariant v;
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = SysAllocString(OLESTR("zz"));
    EXPECT_EQ(VariantChangeType(v.get(), v.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);   // in place
    EXPECT_EQ(Describe(*v.get()), "BSTR:zz");
    EXPECT_EQ(VariantChangeType(result.get(), v.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Describe(*result.get()), "I4:77");
    V_BSTR(v.get())[0] = OLECHAR('1');
    V_BSTR(v.get())[1] = OLECHAR('2');
    EXPECT_EQ(VariantChangeType(v.get(), v.get(), 0, VT_I4), S_OK);   // in place frees the old text
    EXPECT_EQ(Describe(*v.get()), "I4:12");
}

}  // namespace

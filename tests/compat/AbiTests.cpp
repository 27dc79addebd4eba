// Widths, layouts, codes and vtable order that clients compiled against Windows rely on.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

namespace {

template <typename Outer, typename Member>
std::ptrdiff_t OffsetOf(const Outer& outer, const Member& member) {
    return reinterpret_cast<const char*>(&member) - reinterpret_cast<const char*>(&outer);
}

TEST(Abi, TypesAndStructuresHaveTheWindowsWidthsAndLayout) {
    static_assert(sizeof(WORD) == 2 && sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(ULONG) == 4);
    static_assert(sizeof(LONGLONG) == 8 && sizeof(INT) == 4 && sizeof(BOOL) == 4 && sizeof(VARIANT_BOOL) == 2);
    static_assert(sizeof(OLECHAR) == 2 && sizeof(HRESULT) == 4 && sizeof(LCID) == 4 && sizeof(DISPID) == 4);
    static_assert(sizeof(VARTYPE) == 2 && sizeof(DATE) == 8 && sizeof(GUID) == 16 && LONG(-1) < 0);
    const std::ptrdiff_t pointer = sizeof(void*);
    VARIANT v;
    SAFEARRAY a;
    GUID g;
    const struct {
        std::ptrdiff_t actual, expected;
    } cases[] = {
        {sizeof(VARIANT), 8 + 2 * pointer}, {OffsetOf(v, v.wReserved3), 6}, {OffsetOf(v, v.bstrVal), 8},
        {OffsetOf(a, a.fFeatures), 2}, {OffsetOf(a, a.cbElements), 4}, {OffsetOf(a, a.cLocks), 8},
        {OffsetOf(a, a.pvData), pointer == 8 ? 16 : 12},
        {OffsetOf(a, a.rgsabound[0].lLbound), OffsetOf(a, a.pvData) + pointer + 4},
        {sizeof(DISPPARAMS), 2 * pointer + 8}, {sizeof(EXCEPINFO), pointer == 8 ? 64 : 32},
        {OffsetOf(g, g.Data3), 6}, {OffsetOf(g, g.Data4), 8},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].actual, cases[i].expected) << i;
}

TEST(Abi, CodesAndConstantsHaveTheWindowsValues) {
    const struct {
        std::int64_t actual, expected;
    } values[] = {
        {S_FALSE, 1}, {E_NOTIMPL, 0x80004001}, {E_NOINTERFACE, 0x80004002}, {E_POINTER, 0x80004003},
        {E_FAIL, 0x80004005}, {E_UNEXPECTED, 0x8000FFFF}, {E_ACCESSDENIED, 0x80070005},
        {E_OUTOFMEMORY, 0x8007000E}, {E_INVALIDARG, 0x80070057}, {DISP_E_MEMBERNOTFOUND, 0x80020003},
        {DISP_E_PARAMNOTFOUND, 0x80020004}, {DISP_E_TYPEMISMATCH, 0x80020005}, {DISP_E_UNKNOWNNAME, 0x80020006},
        {DISP_E_BADVARTYPE, 0x80020008}, {DISP_E_EXCEPTION, 0x80020009}, {DISP_E_OVERFLOW, 0x8002000A},
        {DISP_E_BADINDEX, 0x8002000B}, {DISP_E_ARRAYISLOCKED, 0x8002000D}, {DISP_E_BADPARAMCOUNT, 0x8002000E},
        {TYPE_E_ELEMENTNOTFOUND, 0x8002802B}, {CLASS_E_NOAGGREGATION, 0x80040110},
        {CLASS_E_CLASSNOTAVAILABLE, 0x80040111}, {REGDB_E_CLASSNOTREG, 0x80040154},
        {CONNECT_E_NOCONNECTION, 0x80040200}, {CONNECT_E_ADVISELIMIT, 0x80040201},
        {CONNECT_E_CANNOTCONNECT, 0x80040202}, {CONNECT_E_OVERRIDDEN, 0x80040203},
        {SELFREG_E_TYPELIB, 0x80040200}, {SELFREG_E_CLASS, 0x80040201}, {HRESULT_FROM_WIN32(2), 0x80070002},
        {HRESULT_FROM_WIN32(0), 0}, {MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200), 0x80040200},
        {VT_NULL, 1}, {VT_I2, 2}, {VT_I4, 3}, {VT_R4, 4}, {VT_R8, 5}, {VT_DATE, 7}, {VT_BSTR, 8},
        {VT_DISPATCH, 9}, {VT_ERROR, 10}, {VT_BOOL, 11}, {VT_VARIANT, 12}, {VT_UNKNOWN, 13}, {VT_I1, 16},
        {VT_UI1, 17}, {VT_UI2, 18}, {VT_UI4, 19}, {VT_I8, 20}, {VT_UI8, 21}, {VT_INT, 22}, {VT_UINT, 23},
        {VT_ARRAY, 0x2000}, {VT_BYREF, 0x4000}, {DISPATCH_METHOD, 1}, {DISPATCH_PROPERTYGET, 2},
        {DISPATCH_PROPERTYPUT, 4}, {DISPATCH_PROPERTYPUTREF, 8}, {DISPID_PROPERTYPUT, -3}, {DISPID_UNKNOWN, -1},
        {LOCALE_USER_DEFAULT, 0x400}, {LOCALE_SYSTEM_DEFAULT, 0x800}, {LOCALE_INVARIANT, 0x7F},
        {FADF_HAVEVARTYPE, 0x80}, {FADF_BSTR, 0x100}, {FADF_VARIANT, 0x800}, {VARIANT_TRUE, -1},
    };
    for (const auto& v : values) EXPECT_EQ(std::uint32_t(v.actual), std::uint32_t(v.expected)) << std::hex << v.expected;
    EXPECT_TRUE(SUCCEEDED(S_FALSE) && FAILED(E_FAIL));
    const GUID dispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const GUID unknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    EXPECT_TRUE(IsEqualIID(IID_IUnknown, unknown));
    EXPECT_TRUE(IID_IDispatch == dispatch);
    GUID nearly = dispatch;
    nearly.Data4[7] = 0x47;   // differs in the last byte only
    EXPECT_FALSE(IsEqualGUID(nearly, dispatch));
}

TEST(Abi, ClientsCallThroughTheWindowsVtableOrder) {
    // What a C client does: the first pointer is the method table, the object the first argument.
    tarn::test::CountingDispatch object;
    IDispatch* d = &object;
    void** vtable = *reinterpret_cast<void***>(d);
    const auto slot = [&](int i, auto* type) { return reinterpret_cast<decltype(type)>(vtable[i]); };
    using Counter = ULONG(STDMETHODCALLTYPE*)(IDispatch*);
    void* found = nullptr;
    EXPECT_EQ(slot(0, (HRESULT(STDMETHODCALLTYPE*)(IDispatch*, REFIID, void**))nullptr)(d, IID_IDispatch, &found), S_OK);
    EXPECT_EQ(found, static_cast<void*>(d));
    EXPECT_EQ(slot(1, Counter(nullptr))(d), 3u);   // AddRef after the QI's
    EXPECT_EQ(slot(2, Counter(nullptr))(d), 2u);   // Release
    UINT count = 9;
    EXPECT_EQ(slot(3, (HRESULT(STDMETHODCALLTYPE*)(IDispatch*, UINT*))nullptr)(d, &count), S_FALSE);
    EXPECT_EQ(slot(4, (HRESULT(STDMETHODCALLTYPE*)(IDispatch*, UINT, LCID, ITypeInfo**))nullptr)(d, 0, 0, nullptr), E_NOTIMPL);
    using Names = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, REFIID, LPOLESTR*, UINT, LCID, DISPID*);
    EXPECT_EQ(slot(5, Names(nullptr))(d, IID_NULL, nullptr, 0, 0, nullptr), DISP_E_UNKNOWNNAME);
    using Invoke = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                               EXCEPINFO*, UINT*);
    EXPECT_EQ(slot(6, Invoke(nullptr))(d, 0, IID_NULL, 0, 0, nullptr, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
}

}  // namespace

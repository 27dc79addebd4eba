// BSTRs, SAFEARRAYs and VARIANT ownership, checked the same way against both implementations.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

using tarn::test::Ascii;
using tarn::test::NewBstr;
using tarn::test::ScopedVariant;

TEST(Bstr, LengthPrefixTextAndAWholeNul) {
    for (UINT length : {3u, 0u}) {
        BSTR text = SysAllocStringLen(OLESTR("a\0b"), length);   // embedded NULs kept
        ASSERT_NE(text, nullptr);
        std::uint32_t prefix = 0;
        std::memcpy(&prefix, reinterpret_cast<const char*>(text) - sizeof prefix, sizeof prefix);
        EXPECT_EQ(prefix, length * sizeof(OLECHAR));
        EXPECT_EQ(SysStringLen(text), length);
        EXPECT_EQ(std::memcmp(text, OLESTR("a\0b"), length * sizeof(OLECHAR)), 0);
        EXPECT_EQ(text[length], OLECHAR(0));
        SysFreeString(text);
    }
    EXPECT_EQ(SysStringLen(nullptr), 0u);   // null is the empty string
    // Lengths whose byte count passes the 32-bit prefix.
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}

TEST(SafeArray, BoundsAccessAndLocking) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 5, 2);   // indices 5 and 6
    ASSERT_NE(array, nullptr);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &bound), S_OK);
    EXPECT_EQ(bound, 6);
    EXPECT_EQ(SafeArrayGetLBound(array, 2, &bound), DISP_E_BADINDEX);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    static_cast<LONG*>(data)[1] = 7;
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    LONG value = 0;
    for (LONG index : {4, 7, -5}) EXPECT_EQ(SafeArrayGetElement(array, &index, &value), DISP_E_BADINDEX);
    LONG index = 6;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &value), S_OK);
    EXPECT_EQ(value, 7);
    ScopedVariant original, copy;   // copying a VARIANT copies its array
    V_VT(original.get()) = VT_ARRAY | VT_I4;
    V_ARRAY(original.get()) = array;
    ASSERT_EQ(VariantCopy(copy.get(), original.get()), S_OK);
    ASSERT_NE(V_ARRAY(copy.get()), array);
    EXPECT_EQ(SafeArrayGetElement(V_ARRAY(copy.get()), &index, &value), S_OK);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(SafeArrayCreateVector(0x7F, 0, 1), nullptr);
#ifndef _WIN32
    // Windows computes the data size in 32 bits and wraps; here the count is refused instead.
    EXPECT_EQ(SafeArrayCreateVector(VT_I4, 0, 0x40000000u), nullptr);
#endif
}

TEST(Variant, ClearAndCopyOwnTextAndInterfacesButNotReferences) {
    tarn::test::CountingUnknown object;
    BSTR target = NewBstr(OLESTR("kept"));
    {
        ScopedVariant text, counted, reference, copy;
        V_VT(text.get()) = VT_BSTR;
        V_BSTR(text.get()) = NewBstr(OLESTR("text"));
        V_VT(counted.get()) = VT_UNKNOWN;
        V_UNKNOWN(counted.get()) = &object;
        object.AddRef();
        V_VT(reference.get()) = VT_BYREF | VT_BSTR;   // the target belongs to the caller
        V_BSTRREF(reference.get()) = &target;
        ASSERT_EQ(VariantCopy(copy.get(), text.get()), S_OK);
        EXPECT_NE(V_BSTR(copy.get()), V_BSTR(text.get()));
        EXPECT_EQ(Ascii(V_BSTR(copy.get())), "text");
        ASSERT_EQ(VariantCopy(copy.get(), counted.get()), S_OK);
        EXPECT_EQ(object.m_References, 3u);
        EXPECT_EQ(VariantCopy(copy.get(), copy.get()), S_OK);   // onto itself: nothing changes
        ASSERT_EQ(VariantCopy(copy.get(), reference.get()), S_OK);
        EXPECT_EQ(object.m_References, 2u);
        EXPECT_EQ(V_BSTRREF(copy.get()), &target);
        V_VT(text.get()) = 0x7F;
        EXPECT_EQ(VariantCopy(copy.get(), text.get()), DISP_E_BADVARTYPE);
        EXPECT_EQ(VariantClear(text.get()), DISP_E_BADVARTYPE);
        V_VT(text.get()) = VT_BSTR;
    }
    EXPECT_EQ(object.m_References, 1u);
    EXPECT_EQ(Ascii(target), "kept");
    SysFreeString(target);
}

}  // namespace

// VariantClear and VariantCopy: ownership of BSTRs, interfaces and arrays.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

namespace {

using tarn::test::Ascii;
using tarn::test::CountingDispatch;
using tarn::test::ScopedVariant;
using tarn::test::Describe;

TEST(Variant, ClearReleasesInterfacesButNotByReferenceTargets) {
    CountingDispatch object;
    VARIANT v;
    object.StoreIn(v, VT_DISPATCH);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(V_VT(&v), VT_EMPTY);
    EXPECT_EQ(object.m_References, 1u);

    BSTR target = SysAllocString(OLESTR("kept"));
    V_VT(&v) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&v) = &target;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(V_VT(&v), VT_EMPTY);
    EXPECT_EQ(Ascii(target), "kept");
    SysFreeString(target);
}

TEST(Variant, InvalidTypesAreRejectedAndLeftAlone) {
    VARIANT v;
    V_VT(&v) = 0x7F;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(V_VT(&v), 0x7F);
    ScopedVariant copy;
    EXPECT_EQ(VariantCopy(copy.get(), &v), DISP_E_BADVARTYPE);
}

TEST(Variant, CopyIsDeepForTextAndArraysAndCountsInterfaces) {
    ScopedVariant text;
    V_VT(text.get()) = VT_BSTR;
    V_BSTR(text.get()) = SysAllocStringByteLen("odd", 3);
    ScopedVariant textCopy;
    ASSERT_EQ(VariantCopy(textCopy.get(), text.get()), S_OK);
    EXPECT_NE(V_BSTR(textCopy.get()), V_BSTR(text.get()));
    EXPECT_EQ(SysStringByteLen(V_BSTR(textCopy.get())), 3u);   // odd byte length kept

    ScopedVariant array;
    V_VT(array.get()) = VT_ARRAY | VT_I4;
    V_ARRAY(array.get()) = SafeArrayCreateVector(VT_I4, 0, 2);
    ScopedVariant arrayCopy;
    ASSERT_EQ(VariantCopy(arrayCopy.get(), array.get()), S_OK);
    EXPECT_NE(V_ARRAY(arrayCopy.get()), V_ARRAY(array.get()));

    CountingDispatch object;
    {
        ScopedVariant counted;
        object.StoreIn(*counted.get(), VT_UNKNOWN);
        // Copying over a variant that holds the object releases it before the new reference.
        ASSERT_EQ(VariantCopy(counted.get(), text.get()), S_OK);
        EXPECT_EQ(object.m_References, 1u);
        ScopedVariant source;
        object.StoreIn(*source.get(), VT_DISPATCH);
        ASSERT_EQ(VariantCopy(counted.get(), source.get()), S_OK);
        EXPECT_EQ(object.m_References, 3u);
    }
    EXPECT_EQ(object.m_References, 1u);
}

TEST(Variant, CopyOfAReferenceSharesTheTargetAndCopyOntoItselfChangesNothing) {
    LONG target = 5;
    VARIANT reference;
    V_VT(&reference) = VT_BYREF | VT_I4;
    V_I4REF(&reference) = &target;
    ScopedVariant copy;
    ASSERT_EQ(VariantCopy(copy.get(), &reference), S_OK);
    EXPECT_EQ(V_VT(copy.get()), VT_BYREF | VT_I4);
    EXPECT_EQ(V_I4REF(copy.get()), &target);

    ScopedVariant v;
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = SysAllocString(OLESTR("self"));
    EXPECT_EQ(VariantCopy(v.get(), v.get()), S_OK);
    EXPECT_EQ(Describe(*v.get()), "BSTR:self");
}

}  // namespace

// One-dimensional SAFEARRAYs: descriptors, bounds, element ownership and lock counting.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

namespace {

using tarn::test::Ascii;
using tarn::test::ScopedVariant;

// The descriptor bits Windows sets; 0x2000 marks an array made by SafeArrayCreateVector.
constexpr USHORT kCreatedAsVector = 0x2000;

TEST(SafeArray, VectorsDescribeTheirElements) {
    const struct {
        VARTYPE vt;
        ULONG size;
        USHORT features;
    } cases[] = {
        {VT_UI1, 1, FADF_HAVEVARTYPE},
        {VT_R8, 8, FADF_HAVEVARTYPE},
        {VT_BSTR, sizeof(BSTR), FADF_HAVEVARTYPE | FADF_BSTR},
        {VT_VARIANT, sizeof(VARIANT), FADF_HAVEVARTYPE | FADF_VARIANT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vt);
        SAFEARRAY* vector = SafeArrayCreateVector(c.vt, 1, 3);
        ASSERT_NE(vector, nullptr);
        EXPECT_EQ(vector->fFeatures, c.features | kCreatedAsVector);
        EXPECT_EQ(SafeArrayGetElemsize(vector), c.size);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(vector, &vt), S_OK);
        EXPECT_EQ(vt, c.vt);
        SAFEARRAY* copy = nullptr;
        ASSERT_EQ(SafeArrayCopy(vector, &copy), S_OK);
        EXPECT_EQ(copy->fFeatures, c.features);   // a copy is no longer a vector
        EXPECT_EQ(copy->rgsabound[0].lLbound, 1);
        EXPECT_EQ(copy->rgsabound[0].cElements, 3u);
        EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
        EXPECT_EQ(SafeArrayDestroy(vector), S_OK);
    }
    for (VARTYPE vt : {VARTYPE(VT_EMPTY), VARTYPE(VT_NULL), VARTYPE(0x7F)})
        EXPECT_EQ(SafeArrayCreateVector(vt, 0, 1), nullptr) << vt;
}

TEST(SafeArray, BoundsAreCheckedOnEveryAccess) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 5, 2);   // indices 5 and 6
    ASSERT_NE(array, nullptr);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &bound), S_OK);
    EXPECT_EQ(bound, 6);
    EXPECT_EQ(SafeArrayGetLBound(array, 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array, 2, &bound), DISP_E_BADINDEX);
    LONG value = 7;
    for (LONG index : {4, 7, -5}) {
        EXPECT_EQ(SafeArrayPutElement(array, &index, &value), DISP_E_BADINDEX) << index;
        EXPECT_EQ(SafeArrayGetElement(array, &index, &value), DISP_E_BADINDEX) << index;
    }
    LONG index = 6;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &value), S_OK);
    EXPECT_EQ(static_cast<LONG*>(array->pvData)[1], 7);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);

    SAFEARRAY* empty = SafeArrayCreateVector(VT_I4, 0, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SafeArrayGetUBound(empty, 1, &bound), S_OK);
    EXPECT_EQ(bound, -1);
    EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG);
}

TEST(SafeArray, AccessLocksAndALockedArrayIsNotDestroyed) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 4);
    ASSERT_NE(array, nullptr);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    LONG index = 3;
    DOUBLE value = 2.5;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &value), S_OK);   // locking guards the data's life only
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    EXPECT_EQ(static_cast<DOUBLE*>(data)[3], 2.5);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArray, TextElementsAreCopiedInAndOut) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(array, nullptr);
    BSTR text = SysAllocString(OLESTR("abc"));
    LONG index = 0;
    EXPECT_EQ(SafeArrayPutElement(array, &index, text), S_OK);   // the BSTR itself, not its address
    EXPECT_NE(static_cast<BSTR*>(array->pvData)[0], text);
    SysFreeString(text);
    BSTR out = nullptr;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_NE(out, static_cast<BSTR*>(array->pvData)[0]);
    EXPECT_EQ(Ascii(out), "abc");
    SysFreeString(out);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);   // the copy owns its own strings
    EXPECT_EQ(Ascii(static_cast<BSTR*>(copy->pvData)[0]), "abc");
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
}

TEST(SafeArray, VariantElementsOwnTheirContents) {
    tarn::test::CountingDispatch object;
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 1, 2);
    ASSERT_NE(array, nullptr);
    {
        ScopedVariant element;
        object.StoreIn(*element.get(), VT_DISPATCH);
        LONG index = 1;
        EXPECT_EQ(SafeArrayPutElement(array, &index, element.get()), S_OK);
        EXPECT_EQ(object.m_References, 3u);
        VARIANT out;
        V_VT(&out) = VT_I4;   // overwritten, not cleared: the output is taken as uninitialised
        EXPECT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
        EXPECT_EQ(V_VT(&out), VT_DISPATCH);
        EXPECT_EQ(object.m_References, 4u);
        VariantClear(&out);
    }
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(object.m_References, 1u);   // the element's reference went with the array
}

#ifndef _WIN32
// Windows (and Wine) compute the data size in 32 bits, so a count whose data would pass 4 GiB
// wraps there; compat/posix refuses it instead of allocating a truncated block.
TEST(SafeArray, DataPast4GiBIsRefused) {
    EXPECT_EQ(SafeArrayCreateVector(VT_I4, 0, 0x40000000u), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_VARIANT, 0, 0x10000000u), nullptr);
}
#endif

}  // namespace

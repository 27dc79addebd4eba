// BSTRs, SAFEARRAYs and VARIANT ownership against both implementations.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

using tarn::test::Ascii;
using tarn::test::ScopedVariant;

TEST(Bstr, LengthPrefixTextAndAWholeNul) {
    for (UINT length : {3u, 0u}) {
        BSTR text = SysAllocStringLen(OLESTR("a\0b"), length);   // embedded NULs kept
        std::uint32_t prefix = 0;
        std::memcpy(&prefix, reinterpret_cast<const char*>(text) - sizeof prefix, sizeof prefix);
        EXPECT_EQ(prefix, length * sizeof(OLECHAR));
        EXPECT_EQ(SysStringLen(text), length);
        EXPECT_EQ(std::memcmp(text, OLESTR("a\0b"), length * sizeof(OLECHAR)), 0);
        EXPECT_EQ(text[length], OLECHAR(0));
        SysFreeString(text);
    }
    EXPECT_EQ(SysStringLen(nullptr), 0u);                         // null is the empty string
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);   // past the 32-bit prefix
}

#ifndef _WIN32
// Task memory of 2 MiB or more starts on a huge page (its unaligned ends would be faulted in small
// pages); every byte asked for is there, and the block frees as any other.
TEST(TaskMemory, LargeBlocksStartOnAHugePage) {
    constexpr SIZE_T kHuge = SIZE_T{2} << 20;
    for (const SIZE_T bytes : {SIZE_T{0}, SIZE_T{1}, kHuge - 1, kHuge, 2 * kHuge + 3, 9 * kHuge + 3}) {
        auto* block = static_cast<unsigned char*>(CoTaskMemAlloc(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        if (bytes >= kHuge) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHuge, 0u) << bytes;
        }
        if (bytes != 0) block[0] = block[bytes - 1] = 1;
        CoTaskMemFree(block);
    }
}

// A client fetching channel after channel gets back the large block it freed, its pages mapped;
// a request of less than half its size gets a block of its own.
TEST(TaskMemory, ALargeBlockFreedServesTheNextOfAboutItsSize) {
    constexpr SIZE_T kMiB = SIZE_T{1} << 20;
    void* first = CoTaskMemAlloc(64 * kMiB);
    CoTaskMemFree(first);
    void* again = CoTaskMemAlloc(60 * kMiB);
    EXPECT_EQ(again, first);
    CoTaskMemFree(again);
    void* small = CoTaskMemAlloc(30 * kMiB);
    EXPECT_NE(small, first);
    CoTaskMemFree(small);  // the larger stays kept
    EXPECT_EQ(CoTaskMemAlloc(64 * kMiB), first);
    CoTaskMemFree(first);
}
#endif

TEST(SafeArray, BoundsAccessLockingAndCopies) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 5, 2);   // indices 5 and 6
    LONG bound = 0, value = 0;
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &bound), S_OK);
    EXPECT_EQ(bound, 6);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    static_cast<LONG*>(data)[1] = 7;
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    for (LONG index : {4, 7, -5}) EXPECT_EQ(SafeArrayGetElement(array, &index, &value), DISP_E_BADINDEX);
    ScopedVariant original, copy;   // copying a VARIANT copies its array
    V_VT(original.get()) = VT_ARRAY | VT_I4;
    V_ARRAY(original.get()) = array;
    ASSERT_EQ(VariantCopy(copy.get(), original.get()), S_OK);
    ASSERT_NE(V_ARRAY(copy.get()), array);
    LONG index = 6;
    EXPECT_EQ(SafeArrayGetElement(V_ARRAY(copy.get()), &index, &value), S_OK);
    EXPECT_EQ(value, 7);
#ifndef _WIN32
    // Windows computes the data size in 32 bits and wraps; here the count is refused instead.
    EXPECT_EQ(SafeArrayCreateVector(VT_I4, 0, 0x40000000u), nullptr);
#endif
}

// An IUnknown on the stack that counts its references.
struct CountingUnknown : IUnknown {
    ULONG m_References = 1;
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_References; }
    STDMETHODIMP_(ULONG) Release() override { return --m_References; }
};

TEST(Variant, CopiesOwnTextAndInterfacesButNotReferences) {
    CountingUnknown object;
    BSTR target = tarn::test::NewBstr(OLESTR("kept"));
    {
        ScopedVariant text, counted, reference, copy;
        V_VT(text.get()) = VT_BSTR;
        V_BSTR(text.get()) = tarn::test::NewBstr(OLESTR("text"));
        V_VT(counted.get()) = VT_UNKNOWN;
        V_UNKNOWN(counted.get()) = &object;
        object.AddRef();
        V_VT(reference.get()) = VT_BYREF | VT_BSTR;   // the target belongs to the caller
        V_BSTRREF(reference.get()) = &target;
        ASSERT_EQ(VariantCopy(copy.get(), text.get()), S_OK);
        ASSERT_EQ(VariantCopy(copy.get(), counted.get()), S_OK);
        EXPECT_EQ(VariantCopy(copy.get(), copy.get()), S_OK);   // onto itself: nothing changes
        EXPECT_EQ(object.m_References, 3u);
        ASSERT_EQ(VariantCopy(copy.get(), reference.get()), S_OK);
        EXPECT_EQ(object.m_References, 2u);
    }
    EXPECT_EQ(object.m_References, 1u);
    EXPECT_EQ(Ascii(target), "kept");
    SysFreeString(target);
}

}  // namespace

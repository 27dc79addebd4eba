// BSTR layout and allocation rules, checked the same way against both implementations.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using tarn::test::Ascii;

struct BstrFree {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFree>;

// The length prefix holds the byte count, and a whole NUL character follows the text.
void ExpectLayout(BSTR text, UINT byteLength) {
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(tarn::test::LengthPrefix(text), byteLength);
    EXPECT_EQ(SysStringByteLen(text), byteLength);
    EXPECT_EQ(SysStringLen(text), byteLength / 2);
    EXPECT_EQ(text[(byteLength + 1) / 2], OLECHAR(0));
}

TEST(Bstr, StringsKeepEveryCharacterAndEndInNul) {
    for (UINT length : {0u, 2u, 3u}) {   // embedded NULs included
        UniqueBstr text(SysAllocStringLen(OLESTR("a\0b"), length));
        ExpectLayout(text.get(), length * 2);
        EXPECT_EQ(Ascii(text.get()), Ascii(OLESTR("a\0b"), length));
    }
    for (UINT length : {0u, 3u, 4u}) {   // odd byte lengths too
        UniqueBstr text(SysAllocStringByteLen("abcd", length));
        ExpectLayout(text.get(), length);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(text.get()), length), std::string("abcd", length));
        EXPECT_EQ(reinterpret_cast<const char*>(text.get())[length], '\0');
    }
    UniqueBstr whole(SysAllocString(OLESTR("stops\0here")));
    ExpectLayout(whole.get(), 10);
    UniqueBstr unset(SysAllocStringLen(nullptr, 3));   // without a source the length is still allocated
    ExpectLayout(unset.get(), 6);
    UniqueBstr bytes(SysAllocStringByteLen(nullptr, 5));
    ExpectLayout(bytes.get(), 5);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);   // null is the empty string
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(Bstr, LengthsBeyondThe32BitPrefixGiveNull) {
    // 2^31 - 1 characters would need a block of more than 4 GiB with prefix and NUL.
    // (Wine crashes on SysAllocStringByteLen(nullptr, 0xFFFFFFF0), so that case is not here.)
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, ReallocationCopiesBeforeFreeing) {
    BSTR text = SysAllocString(OLESTR("hello"));
    EXPECT_TRUE(SysReAllocStringLen(&text, OLESTR("abcdef"), 4));
    ExpectLayout(text, 8);
    EXPECT_EQ(Ascii(text), "abcd");
    EXPECT_TRUE(SysReAllocStringLen(&text, text + 1, 2));   // the source lies in the old string
    EXPECT_EQ(Ascii(text), "bc");
    EXPECT_TRUE(SysReAllocString(&text, nullptr));
    EXPECT_EQ(text, nullptr);
}

TEST(TaskAllocator, ZeroBytesGiveAValidBlockAndReallocToZeroFrees) {
    void* block = CoTaskMemAlloc(0);
    EXPECT_NE(block, nullptr);
    CoTaskMemFree(block);
    CoTaskMemFree(nullptr);
    block = CoTaskMemRealloc(nullptr, 10);
    ASSERT_NE(block, nullptr);
    static_cast<char*>(block)[9] = 'x';
    block = CoTaskMemRealloc(block, 100);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(static_cast<char*>(block)[9], 'x');
    EXPECT_EQ(CoTaskMemRealloc(block, 0), nullptr);
}

}  // namespace

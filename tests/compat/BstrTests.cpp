// BSTR layout and allocation rules, checked the same way against both implementations.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

namespace {

using tarn::test::Ascii;

TEST(Bstr, StringsKeepEveryByteAndEndInAWholeNul) {
    const struct {
        BSTR text;
        UINT bytes;
        const char* content;   // nullptr: not set
    } cases[] = {
        {SysAllocStringLen(OLESTR("a\0b"), 3), 6, "a\0\0\0b"},   // embedded NULs kept
        {SysAllocStringLen(OLESTR("a\0b"), 0), 0, ""},
        {SysAllocStringByteLen("abcd", 3), 3, "abc"},   // odd byte lengths too
        {SysAllocString(OLESTR("stops\0here")), 10, nullptr},
        {SysAllocStringLen(nullptr, 3), 6, nullptr},   // without a source the length is still allocated
        {SysAllocStringByteLen(nullptr, 5), 5, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        ASSERT_NE(c.text, nullptr);
        EXPECT_EQ(tarn::test::LengthPrefix(c.text), c.bytes);
        EXPECT_EQ(SysStringByteLen(c.text), c.bytes);
        EXPECT_EQ(SysStringLen(c.text), c.bytes / 2);
        EXPECT_EQ(c.text[(c.bytes + 1) / 2], OLECHAR(0));
        if (c.content) {
            EXPECT_EQ(std::memcmp(c.text, c.content, c.bytes), 0);
            EXPECT_EQ(reinterpret_cast<const char*>(c.text)[c.bytes], '\0');
        }
        SysFreeString(c.text);
    }
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr) + SysStringByteLen(nullptr), 0u);   // null is the empty string
    SysFreeString(nullptr);
}

TEST(Bstr, LengthsBeyondThe32BitPrefixGiveNull) {
    // (Wine crashes on SysAllocStringByteLen(nullptr, 0xFFFFFFF0), so that case is not here.)
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, ReallocationCopiesBeforeFreeing) {
    BSTR text = SysAllocString(OLESTR("hello"));
    EXPECT_TRUE(SysReAllocStringLen(&text, OLESTR("abcdef"), 4));
    EXPECT_EQ(Ascii(text), "abcd");
    EXPECT_EQ(text[4], OLECHAR(0));
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

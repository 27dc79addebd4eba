// Code-page and file-name conversions: POSIX and the Windows calls (Wine, code page 1252) alike.
#include "platform/platform.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#define REQUIRE_CP1252() \
    if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << GetACP() << ", not 1252"
#else
#define REQUIRE_CP1252()
#endif

namespace {

using tarn::platform::AnsiToWide;
using tarn::platform::WideToAnsi;

// Every byte maps like Windows-1252 (including the five bytes it leaves undefined: 0x81, 0x8D,
// 0x8F, 0x90, 0x9D) and round-trips; NULs are kept. Missing characters become '?'.
TEST(CodePage, EveryByteMapsLikeWindowsAndRoundTrips) {
    REQUIRE_CP1252();
    const char16_t highRow[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                  0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                  0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string wide = AnsiToWide(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide.substr(0x80, 32), std::u16string(highRow, 32));
    EXPECT_EQ(WideToAnsi(wide), all);
    // No best fit to a look-alike; a C1 control the code page redefines; lone surrogates.
    EXPECT_EQ(WideToAnsi(u"x\u4E2D\u0100\uFF0F\u0080y"), "x????y");
    EXPECT_EQ(WideToAnsi(std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC00)), "a?b?");
}

// File names: Windows stores them in the ANSI code page, POSIX in UTF-8 (the native encoding).
TEST(FileNames, ConvertInTheNativeEncodingAndReachTheDisk) {
    REQUIRE_CP1252();
    const std::u16string wide = u"Z\u00FCrich \u20AC.rec";
#ifdef _WIN32
    const std::string name = "Z\xFCrich \x80.rec";
#else
    const std::string name = "Z\xC3\xBCrich \xE2\x82\xAC.rec";
    // Only UTF-8 holds every character, and only UTF-8 has malformed input: a bad or truncated
    // sequence is one U+FFFD, a lone surrogate '?'.
    EXPECT_EQ(tarn::platform::FileNameFromWide(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(tarn::platform::FileNameToWide("\xF0\x9F\x98\x80 a\xFF" "b a\xE2\x82"), u"\U0001F600 a\uFFFDb a\uFFFD");
    EXPECT_EQ(tarn::platform::FileNameToWide("\xC0\xAF\xED\xA0\x80"), std::u16string(5, u'\uFFFD'));   // overlong, surrogate
    EXPECT_EQ(tarn::platform::FileNameFromWide(std::u16string(u"x") + char16_t(0xDBFF)), "x?");
#endif
    EXPECT_EQ(tarn::platform::FileNameFromWide(wide), name);
    EXPECT_EQ(tarn::platform::FileNameToWide(name), wide);
    // The name on disk is the intended one (read back through the library, not through us).
    tarn::test::TempDir dir;
    ASSERT_TRUE(tarn::platform::File().Open(dir.path().string() + "/" + name, tarn::platform::File::Mode::Create));
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename().u16string(), wide);
}

}  // namespace

// Code-page and file-name conversions: the same expectations for the POSIX code and for the real
// Windows calls under Wine (whose ANSI code page must be 1252 for the table to apply).
#include "platform/platform.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using tarn::platform::AnsiToWide;
using tarn::platform::WideToAnsi;

// The ANSI tables below are those of Windows-1252. POSIX always uses it; a Windows host may run
// another code page, where these expectations mean nothing.
void RequireCp1252() {
#ifdef _WIN32
    if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << GetACP() << ", not 1252";
#endif
}

// Every byte maps like Windows (including the five bytes the code page leaves undefined: 0x81,
// 0x8D, 0x8F, 0x90, 0x9D) and round-trips; NULs are kept.
TEST(CodePage, EveryByteMapsLikeWindowsAndRoundTrips) {
    RequireCp1252();
    const char16_t highRow[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string wide = AnsiToWide(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide.substr(0x80, 32), std::u16string(highRow, 32));
    EXPECT_EQ(wide[0], u'\0');
    EXPECT_EQ(wide[0xE9], u'\u00E9');
    EXPECT_EQ(WideToAnsi(wide), all);
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks) {
    RequireCp1252();
    const std::pair<std::u16string, std::string> cases[] = {
        {u"x\u4E2D\u0100\uFF0Fy", "x???y"},   // no best fit to a look-alike
        {u"\u0080", "?"},                     // a C1 control the code page redefines
        {std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC00), "a?b?"},   // lone surrogates
    };
    for (const auto& c : cases) EXPECT_EQ(WideToAnsi(c.first), c.second) << c.second;

    // A character outside the BMP is one '?' on POSIX. Wine replaces each half of the
    // surrogate pair; Windows versions have differed here, so the Windows build accepts both.
    const std::string emoji = WideToAnsi(u"<\U0001F600>");
#ifdef _WIN32
    EXPECT_TRUE(emoji == "<?>" || emoji == "<?" "?>") << emoji;
#else
    EXPECT_EQ(emoji, "<?>");
#endif
}

// File names: Windows stores them in the ANSI code page, POSIX in UTF-8 (the native encoding).
TEST(FileNames, ConvertInTheNativeEncodingAndReachTheDisk) {
    RequireCp1252();
    const std::u16string wide = u"Z\u00FCrich \u20AC.rec";
#ifdef _WIN32
    const std::string name = "Z\xFCrich \x80.rec";
#else
    const std::string name = "Z\xC3\xBCrich \xE2\x82\xAC.rec";
#endif
    EXPECT_EQ(tarn::platform::FileNameFromWide(wide), name);
    EXPECT_EQ(tarn::platform::FileNameToWide(name), wide);

    // The name on disk is the intended one (read back through the library, not through us).
    tarn::test::TempDir dir;
    tarn::platform::File file;
    ASSERT_TRUE(file.Open(dir.path().string() + "/" + name, tarn::platform::File::Mode::Create));
    file.Close();
    auto entry = std::filesystem::directory_iterator(dir.path());
    ASSERT_NE(entry, std::filesystem::directory_iterator());
    EXPECT_EQ(entry->path().filename().u16string(), wide);
}

#ifndef _WIN32
// Only UTF-8 holds every character, and only UTF-8 has malformed input: a bad or truncated
// sequence is one U+FFFD, a lone surrogate '?'.
TEST(FileNames, Utf8BeyondTheBmpAndMalformedInput) {
    EXPECT_EQ(tarn::platform::FileNameToWide("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(tarn::platform::FileNameFromWide(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(tarn::platform::FileNameToWide("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(tarn::platform::FileNameToWide("a\xE2\x82"), u"a\uFFFD");
    EXPECT_EQ(tarn::platform::FileNameToWide("\xC0\xAF"), u"\uFFFD\uFFFD");        // overlong '/'
    EXPECT_EQ(tarn::platform::FileNameToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(tarn::platform::FileNameFromWide(std::u16string(u"x") + char16_t(0xDBFF)), "x?");
}
#endif

}  // namespace

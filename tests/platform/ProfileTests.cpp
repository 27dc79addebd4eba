// Profile (ini) reading: the POSIX reader against the same expectations as the Windows profile
// functions under Wine.
#include "platform/platform.h"
#include "tests/platform/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const char* const kIni =
    "Loose=before any section\n"
    "[General]\n"
    "  Padded   =   padded value   \r\n"
    "Quoted=\"quoted value\"\n"
    "Single='single'\n"
    "Half=\"half\n"
    "Empty=\n"
    "NoEquals\n"
    "Dup=first\n"
    "dup=second\n"
    "Ten=0123456789\n"
    "[general]\n"
    "Later=in the second section of that name\n"
    // Odd but legal: the reader must agree with Windows on these too.
    "[ Spaced ]\rA=2\r"             // header names are trimmed; '\r' alone ends a line
    "[Trail] junk\nA=3\n[Open=4\n"   // no ']': a key
    "[\xDC" "ber]\nA=5\n"           // case folds in ASCII only
    "[Numbers]\n"
    "Plus=+7\nLead=12abc\nAlpha=abc\nWrap=4294967297\n"
    // Only the first 29 characters count (the Windows reader's buffer), wrapped to 32 bits.
    "Huge=123456789012345678901234567890123\n"
    "Inner=\"  -8\"\nMinus=-\nTab=\t9\t\n"
    // Lower-case prefixes select the base; the upper-case 'X' is just a non-digit.
    "Hex=0xfF\nHexUp=0X10\nHexStop=0x1g\nMinusHex=-0x10\nBin=0b102\nOct=0o17\nLeadingZero=010\n";

class Profile : public ::testing::Test {
protected:
    std::string String(const char* section, const char* key, const char* defaultValue = "dflt",
                       std::uint32_t size = 64) {
        std::string buffer(size, '#');
        const std::uint32_t count =
            tarn::platform::ProfileString(m_Path.c_str(), section, key, defaultValue, &buffer[0], size);
        EXPECT_EQ(buffer.find('\0'), count) << section << "/" << key;
        return buffer.substr(0, count);
    }

    tarn::test::TempDir m_Dir;
    std::string m_Path = m_Dir.write("test.ini", kIni);
};

TEST_F(Profile, Strings) {
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {" GENERAL ", " padded ", "padded value"},   // case-insensitive; the request is trimmed too
        {"General", "Quoted", "quoted value"},
        {"General", "Single", "single"},
        {"General", "Half", "\"half"},            // quotes must match to be removed
        {"General", "Empty", ""},                 // present but empty: not the default
        {"General", "NoEquals", "dflt"},          // a key without '=' has no value
        {"General", "Dup", "first"},              // the first key wins
        {"General", "Later", "dflt"},             // only the first [General] is searched
        {"", "Loose", "before any section"},      // keys before any header
        {"General", "Loose", "dflt"},
        {"General", "", "dflt"},
    };
    for (const auto& c : cases) EXPECT_EQ(String(c.section, c.key), c.expected) << c.section << "/" << c.key;
    // Defaults lose trailing spaces and quotes.
    EXPECT_EQ(String("General", "Missing", "  spaced  "), "  spaced");
    EXPECT_EQ(String("General", "Missing", "'quoted'"), "quoted");
    EXPECT_EQ(String("General", "Missing", nullptr), "");
}

TEST_F(Profile, StringsAreCutToTheBuffer) {
    for (std::uint32_t size : {1u, 10u, 11u})
        EXPECT_EQ(String("General", "Ten", "", size), std::string("0123456789", size - 1)) << size;
    EXPECT_EQ(String("General", "Missing", "0123456789", 5), "0123");
    EXPECT_EQ(String("General", "Quoted", "", 6), "quote");
    // A quoted value that exactly fills the buffer: Wine's reader loses its last character
    // there; the POSIX reader keeps it.
    const std::string exact = String("General", "Quoted", "", 13);
#ifdef _WIN32
    EXPECT_TRUE(exact == "quoted value" || exact == "quoted valu") << exact;
#else
    EXPECT_EQ(exact, "quoted value");
#endif
    char untouched = '#';
    EXPECT_EQ(tarn::platform::ProfileString(m_Path.c_str(), "General", "Ten", "", &untouched, 0), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST_F(Profile, IntegersAndHeaders) {
    const struct {
        const char* section;
        const char* key;
        int expected;
    } cases[] = {
        {"Spaced", "A", 2},           {"Trail", "A", 3},          {"Trail", "[Open", 4},
        {"\xFC" "BER", "A", -99},     {"\xDC" "BER", "A", 5},     {"Numbers", "Plus", 7},
        {"Numbers", "Lead", 12},      {"Numbers", "Alpha", 0},    {"General", "Empty", -99},
        {"Missing", "Ten", -99},      {"Numbers", "Wrap", 1},     {"Numbers", "Huge", 1849262357},
        {"Numbers", "Inner", -8},     {"Numbers", "Minus", 0},    {"Numbers", "Tab", 9},
        {"Numbers", "Hex", 255},      {"Numbers", "HexUp", 0},    {"Numbers", "HexStop", 1},
        {"Numbers", "MinusHex", -16}, {"Numbers", "Bin", 2},      {"Numbers", "Oct", 15},
        {"Numbers", "LeadingZero", 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tarn::platform::ProfileInt(m_Path.c_str(), c.section, c.key, -99), c.expected) << c.section << "/" << c.key;
}

// A file that starts with the UTF-8 mark is UTF-8; values come back in the ANSI code page.
TEST_F(Profile, Utf8FileAndRereading) {
    EXPECT_EQ(String("General", "Dup"), "first");
    m_Dir.write("test.ini", "\xEF\xBB\xBF[Z\xC3\xBCrich]\nName=Gen\xC3\xA8ve \xE2\x82\xAC\n");
    EXPECT_EQ(String("Z\xFCrich", "Name"), "Gen\xE8ve \x80");   // the file is read afresh on every call
}

TEST_F(Profile, MissingFileOrDirectoryGivesDefaults) {
    for (const std::string& path : {m_Dir.file("absent.ini"), m_Dir.path().string()}) {
        EXPECT_EQ(tarn::platform::ProfileInt(path.c_str(), "General", "Int", 3), 3);
        char buffer[8];
        EXPECT_EQ(tarn::platform::ProfileString(path.c_str(), "General", "Int", "d", buffer, sizeof buffer), 1u);
        EXPECT_STREQ(buffer, "d");
    }
}

// A bare file name is looked for in the profile directory: the Windows directory there, on
// POSIX the directory TARN_CONFIG_DIR names (pointed at a temporary one here), else /etc.
TEST(ProfileDirectory, BareNamesResolveThere) {
    tarn::test::TempDir dir;
    tarn::test::ScopedEnvironment environment;
#ifndef _WIN32
    for (const std::optional<std::string>& unset : {std::optional<std::string>(""), std::optional<std::string>()}) {
        environment.Set("TARN_CONFIG_DIR", unset);
        EXPECT_EQ(tarn::platform::ProfileDirectory(), "/etc");
    }
    environment.Set("TARN_CONFIG_DIR", dir.path().string() + "/");
    EXPECT_EQ(tarn::platform::ProfileDirectory(), dir.path().string());
#endif
    const std::string bare = "tarn-platform-test-" + dir.path().filename().string() + ".ini";
    const std::string path = tarn::platform::ProfileDirectory() + "/" + bare;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fputs("[QvDebug]\nLevel=3\n", file);
    std::fclose(file);
    EXPECT_EQ(tarn::platform::ProfileInt(bare.c_str(), "QvDebug", "Level", 0), 3);
    std::remove(path.c_str());
}

}  // namespace

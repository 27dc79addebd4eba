#include "tests/setup/SetupTestText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using tarn::test::Param;
using tarn::test::SetupText;
using tarn::test::WriterLayout;

constexpr std::nullopt_t kAbsent = std::nullopt;

struct Expect {
    int section;
    std::string key;
    std::optional<std::u16string> value;
};

struct ParseCase {
    std::string name;
    std::string text;
    int sections;  // CParamList::Init count; 0: no Init
    bool parsed;
    int sectionsAfter;
    std::vector<Expect> expects;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

// An embedded REC info copy behind "[SETUP STOP]" has "=" and "[" of its own.
const std::string kRecInfo = "[RECFileInfoSection]\n[Main]\nRecorder=A [B]\n[Channel 1]\nRecUnit=V\n";

std::vector<ParseCase> WriterLayoutCases() {
    std::vector<ParseCase> cases;
    for (int n : {1, 16}) {
        const std::u16string count = n == 1 ? u"1" : u"16";
        for (const std::string& tail : {""s, kRecInfo}) {
            cases.push_back({"writer_" + std::to_string(n) + (tail.empty() ? "" : "_recinfo"),
                             WriterLayout(n) + tail, n + 1, true, n + 1,
                             {{0, "NoChannels", count}, {0, "Version", u"1.00.000"},
                              {0, "SignalName", kAbsent}, {1, "Unit", u"Pa"}, {1, "unit", kAbsent},
                              {n, "SignalName", u"Signal " + count}, {n, "OverloadRatio", u"1.0"},
                              {n, "Recorder", kAbsent}, {n, "RecUnit", kAbsent}}});
        }
    }
    return cases;
}

const std::string kStart = SetupText().Recorder(1).str();

std::string Channel1(const std::string& lines) { return kStart + "\n[Channel 1]\n" + lines; }

std::vector<ParseCase> RuleCases() {
    const std::string stop = "[SETUP STOP]\n";
    return {
        {"channel_2_first", SetupText().Recorder(2).Channel(2).Stop().str(), 3, false, 0, {}},
        {"channel_0_first", SetupText().Recorder(1).Channel(0).Channel(1).Stop().str(), 2, false, 0,
         {{0, "NoChannels", kAbsent}}},
        {"one_section_too_many", WriterLayout(2), 2, false, 0, {}},
        {"channel_overflows", kStart + "\n[Channel 99999999999999999999]\nUnit=Pa\n" + stop, 2, false, 0, {}},
        {"channel_wraps_to_1", kStart + "\n[Channel 4294967297]\nUnit=Pa\n" + stop, 2, false, 0, {}},
        {"channel_empty", kStart + "\n[Channel ]\nUnit=Pa\n" + stop, 2, false, 0, {}},
        {"header_without_bracket", kStart + "\n[Channel 1\nUnit=Pa\n", 2, false, 0, {}},
        {"no_channel_header_left", kStart + "\n[Notes]\nX=1\n", 2, false, 0, {}},
        {"atoi_reading", kStart + "\n[Channel  +1st]\nUnit=Pa\n" + stop, 2, true, 2, {{1, "Unit", u"Pa"}}},
        {"other_bracket_jumps_to_next_header", kStart + "\n[Notes]\nX=1\n[Channel 1]\nUnit=Pa\n" + stop, 2,
         true, 2, {{0, "X", kAbsent}, {1, "X", kAbsent}, {1, "Unit", u"Pa"}}},
        {"fewer_channel_sections", WriterLayout(1), 4, true, 4, {{1, "Unit", u"Pa"}, {3, "Unit", kAbsent}}},
        {"first_duplicate_wins", Channel1("Unit=Pa\nUnit=V\n" + stop), 2, true, 2, {{1, "Unit", u"Pa"}}},
        {"blanks_kept", Channel1("Unit = Pa\n" + stop), 2, true, 2,
         {{1, "Unit", kAbsent}, {1, "Unit ", u" Pa"}}},
        {"empty_key_and_lines_without_equals", Channel1("=orphan\njust text\nUnit=Pa\n" + stop), 2, true,
         2, {{1, "", kAbsent}, {1, "Unit", u"Pa"}}},
        {"cr_lf_keeps_cr", "\r\n[SETUP START]\r\nVersion=1\r\n[Channel 1]\r\nUnit=Pa\r\n[SETUP STOP]\r\n", 2,
         true, 2, {{0, "Version", u"1\r"}, {1, "Unit", u"Pa\r"}}},
        {"final_line_without_lf", Channel1("Unit=Pa"), 2, true, 2,
         {{0, "NoChannels", u"1"}, {1, "Unit", kAbsent}}},
        {"keys_after_last_bracket_lost", Channel1("Unit=Pa\n"), 2, true, 2, {{1, "Unit", kAbsent}}},
        // Without the cut at the zero byte, the header of channel 3 would fail the parse.
        {"text_ends_at_zero_byte", Channel1("Unit=Pa\n\0\n[Channel 3]\nUnit=V\n"s + stop), 3, true, 3, {}},
        {"ansi_code_page", Channel1("Unit=\xB5m\nSignalName=\x80 p\n" + stop), 2, true, 2,
         {{1, "Unit", u"\u00B5m"}, {1, "SignalName", u"\u20AC p"}}},
        {"no_start_marker", "\n[Channel 1]\nUnit=Pa\n" + stop, 2, false, 2, {{1, "Unit", kAbsent}}},
        {"no_sections", WriterLayout(1), 0, false, 0, {}},
        {"empty_text", "", 2, false, 2, {}},
        {"start_marker_only", "[SETUP START]", 2, true, 2, {}},
    };
}

class SetupParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(SetupParseTest, FillsTheStoreAsTheRulesSay) {
    const ParseCase& c = GetParam();
    CParamList store;
    if (c.sections > 0) {
        ASSERT_TRUE(store.Init(c.sections));
    }
    EXPECT_EQ(store.ParseSetupSection(c.text), c.parsed);
    EXPECT_EQ(store.GetSectionCount(), c.sectionsAfter);
    for (const Expect& e : c.expects) {
        EXPECT_EQ(Param(store, e.section, e.key), e.value) << "section " << e.section << " '" << e.key << "'";
    }
}

const auto kCaseName = [](const auto& info) { return info.param.name; };
INSTANTIATE_TEST_SUITE_P(WriterLayout, SetupParseTest, ::testing::ValuesIn(WriterLayoutCases()), kCaseName);
INSTANTIATE_TEST_SUITE_P(Rules, SetupParseTest, ::testing::ValuesIn(RuleCases()), kCaseName);

TEST(SetupParse, ParsedValuesDoNotReplaceStoredOnes) {
    CParamList store;
    ASSERT_TRUE(store.Init(2));
    ASSERT_TRUE(store.SetParameter(1, "Unit", "V"));
    ASSERT_TRUE(store.ParseSetupSection(WriterLayout(1)));
    EXPECT_EQ(Param(store, 1, "Unit"), u"V");
    EXPECT_EQ(Param(store, 1, "SignalName"), u"Signal 1");
}

// Each token must not search the whole rest of the text again: with the only "[" at the end, a
// scan that does takes a minute or more here, a linear one milliseconds.
TEST(SetupParse, LargeTextIsScannedInLinearTime) {
    SetupText text;
    text.Line("[SETUP START]");
    for (int i = 0; i < 1000000; ++i) text.Line("K=v");
    text.Line("Last=1").Stop();
    CParamList store;
    ASSERT_TRUE(store.Init(1));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(store.ParseSetupSection(text.str()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(Param(store, 0, "Last"), u"1");
}

}  // namespace

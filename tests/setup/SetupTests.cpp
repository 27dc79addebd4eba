// The parameter store: the setup parser, the store's own operations and its correction factors.
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "setup/ParamList.h"
#include "tests/support/ScopedVariant.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <climits>
#include <tuple>
#include <vector>

namespace tarn::test {
namespace {

using namespace std::string_literals;

// A text laid out as the writer lays it out: every line is LF followed by its content; the
// recorder's keys, then `channels` channel sections.
std::string WriterLayout(int channels, bool stop = true) {
    std::string text = "\n[SETUP START]\nRECInfoSectionSize=0\nRECInfoSectionPos=00000000\nNoChannels=" +
                       std::to_string(channels) + "\nSampleFrequency=48000.0\nVersion=1.00.000";
    for (int n = 1; n <= channels; ++n)
        text += "\n[Channel " + std::to_string(n) + "]\nSignalName=Signal " + std::to_string(n) +
                "\nCorrectionFactor=0.0001\nUnit=Pa\nOverloadRatio=1.0";
    return stop ? text + "\n[SETUP STOP]\n" : text;
}

// The stored value as UTF-16, or nothing when GetParameter leaves the VARIANT empty.
std::optional<std::u16string> Param(const CParamList& store, int section, std::string_view key) {
    ScopedVariant value;
    store.GetParameter(section, key, value.get());
    if (V_VT(value.get()) != VT_BSTR) return std::nullopt;
    return BstrText(V_BSTR(value.get()));
}

using Expect = std::tuple<int, std::string, std::optional<std::u16string>>;  // section, key, value

struct ParseCase {
    std::string name, text;
    int sections;  // CParamList::Init count
    bool parsed;
    int sectionsAfter;
    std::vector<Expect> expects;
};


const std::string kStart = WriterLayout(0, false);
const std::string kStop = "[SETUP STOP]\n";
std::string Channel1(const std::string& lines) { return kStart + "\n[Channel 1]\n" + lines; }

std::vector<ParseCase> Cases() {
    const auto absent = std::nullopt;
    return {
        {"writer_layout", WriterLayout(16), 17, true, 17,
         {{0, "NoChannels", u"16"}, {0, "SignalName", absent}, {1, "Unit", u"Pa"}, {1, "unit", absent},
          {16, "SignalName", u"Signal 16"}, {16, "OverloadRatio", u"1.0"}}},
        // An embedded REC info behind "[SETUP STOP]" has "=" and "[" of its own.
        {"rec_info_after_stop", WriterLayout(1) + "[RECFileInfoSection]\n[Main]\nRecorder=A [B]\n[Channel 1]\nRecUnit=V\n",
         2, true, 2, {{1, "Unit", u"Pa"}, {1, "RecUnit", absent}, {0, "Recorder", absent}}},
        {"channel_2_first", kStart + "\n[Channel 2]\nUnit=Pa\n" + kStop, 3, false, 0, {}},
        {"channel_0_first", kStart + "\n[Channel 0]\nX=1\n[Channel 1]\nX=1\n" + kStop, 2, false, 0, {{0, "NoChannels", absent}}},
        {"one_section_too_many", WriterLayout(2), 2, false, 0, {}},
        {"channel_overflows", kStart + "\n[Channel 99999999999999999999]\nUnit=Pa\n" + kStop, 2, false, 0, {}},
        {"channel_wraps_to_1", kStart + "\n[Channel 4294967297]\nUnit=Pa\n" + kStop, 2, false, 0, {}},
        {"header_without_bracket", kStart + "\n[Channel 1\nUnit=Pa\n", 2, false, 0, {}},
        {"atoi_reading", kStart + "\n[Channel  +1st]\nUnit=Pa\n" + kStop, 2, true, 2, {{1, "Unit", u"Pa"}}},
        {"other_bracket_jumps_to_next_header", kStart + "\n[Notes]\nX=1\n[Channel 1]\nUnit=Pa\n" + kStop, 2, true, 2,
         {{0, "X", absent}, {1, "X", absent}, {1, "Unit", u"Pa"}}},
        {"fewer_channel_sections", WriterLayout(1), 4, true, 4, {{1, "Unit", u"Pa"}, {3, "Unit", absent}}},
        {"first_duplicate_wins", Channel1("Unit=Pa\nUnit=V\n" + kStop), 2, true, 2, {{1, "Unit", u"Pa"}}},
        {"blanks_kept", Channel1("Unit = Pa\n" + kStop), 2, true, 2, {{1, "Unit", absent}, {1, "Unit ", u" Pa"}}},
        {"empty_key_and_lines_without_equals", Channel1("=orphan\njust text\nUnit=Pa\n" + kStop), 2, true, 2,
         {{1, "", absent}, {1, "Unit", u"Pa"}}},
        {"cr_lf_keeps_cr", "\r\n[SETUP START]\r\nVersion=1\r\n[Channel 1]\r\nUnit=Pa\r\n[SETUP STOP]\r\n", 2, true, 2,
         {{0, "Version", u"1\r"}, {1, "Unit", u"Pa\r"}}},
        {"final_line_without_lf", Channel1("Unit=Pa"), 2, true, 2, {{0, "NoChannels", u"0"}, {1, "Unit", absent}}},
        // Without the cut at the zero byte, the header of channel 3 would fail the parse.
        {"text_ends_at_zero_byte", Channel1("Unit=Pa\n\0\n[Channel 3]\nUnit=V\n"s + kStop), 3, true, 3, {}},
        {"ansi_code_page", Channel1("Unit=\xB5m\nSignalName=\x80 p\n" + kStop), 2, true, 2,
         {{1, "Unit", u"\u00B5m"}, {1, "SignalName", u"\u20AC p"}}},
        {"no_start_marker", "\n[Channel 1]\nUnit=Pa\n" + kStop, 2, false, 2, {{1, "Unit", absent}}},
        {"no_sections", WriterLayout(1), 0, false, 0, {}},
    };
}

TEST(SetupParse, FillsTheStoreAsTheRulesSay) {
    for (const ParseCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        CParamList store;
        ASSERT_TRUE(store.Init(c.sections));
        EXPECT_EQ(store.ParseSetupSection(c.text), c.parsed);
        EXPECT_EQ(store.GetSectionCount(), c.sectionsAfter);
        for (const auto& [section, key, value] : c.expects)
            EXPECT_EQ(Param(store, section, key), value) << "section " << section << " '" << key << "'";
    }
}

// Each token must not search the whole rest of the text again: with the only "[" at the end, a
// scan that does takes a minute or more here, a linear one milliseconds.
TEST(SetupParse, LargeTextIsScannedInLinearTime) {
    std::string text = "\n[SETUP START]";
    for (int i = 0; i < 1000000; ++i) text += "\nK=v";
    text += "\nLast=1\n" + kStop;
    CParamList store;
    ASSERT_TRUE(store.Init(1));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(store.ParseSetupSection(text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(Param(store, 0, "Last"), u"1");
}

TEST(ParamStore, SetParameterReplacesAndConvertsFromTheAnsiCodePage) {
    CParamList store;
    EXPECT_FALSE(store.SetParameter(0, "Unit", "Pa"));  // no sections yet
    ASSERT_TRUE(store.Init(3));
    EXPECT_TRUE(store.SetParameter(2, "Unit", "Pa"));
    EXPECT_TRUE(store.SetParameter(2, "Unit", "\xB5m"));
    EXPECT_TRUE(store.SetParameter(0, "Currency", "\x80"));
    EXPECT_EQ(Param(store, 2, "Unit"), u"\u00B5m");
    EXPECT_EQ(Param(store, 0, "Currency"), u"\u20AC");
    EXPECT_EQ(Param(store, 1, "Unit"), std::nullopt);
    ASSERT_TRUE(store.Init(3));  // a fresh start
    EXPECT_EQ(Param(store, 2, "Unit"), std::nullopt);
}

// The VARIANT handed in already holds a string: every outcome must free it first (the test
// builds run under AddressSanitizer, which reports the leak otherwise).
TEST(ParamStore, MissingSectionsAndKeysGiveAnEmptyVariant) {
    CParamList store;
    ASSERT_TRUE(store.Init(2));
    ASSERT_TRUE(store.SetParameter(1, "Unit", "Pa"));
    for (int section : {1, -1, 2, INT_MIN, INT_MAX}) {
        double factor = 0.0;
        EXPECT_EQ(store.SetParameter(section, "Unit", "Pa") && store.GetCorrectionFactor(section, factor), section == 1);
        ScopedVariant value;
        V_VT(value.get()) = VT_BSTR;
        V_BSTR(value.get()) = AllocBstr(u"previous value");
        store.GetParameter(section, "Unit", value.get());
        EXPECT_EQ(V_VT(value.get()), section == 1 ? VT_BSTR : VT_EMPTY) << section;
    }
    store.GetParameter(1, "Unit", nullptr);
}

// Correction factors of section 0 (read too) and of one channel per further entry: point and
// comma read the same; texts the conversion rejects count as none, and the parse still succeeds.
TEST(CorrectionFactor, PointAndCommaReadTheSame) {
    const std::pair<const char*, double> cases[] = {
        {"2.5", 2.5}, {"0.5", 0.5}, {"0,5", 0.5}, {"-0,25", -0.25}, {nullptr, 0.0}, {"", 0.0}, {"n/a", 0.0}};
    std::string text = "\n[SETUP START]";
    for (int s = 0; s < 7; ++s)
        text += (s > 0 ? "\n[Channel " + std::to_string(s) + "]" : "") +
                (cases[s].first ? std::string("\nCorrectionFactor=") + cases[s].first : "\nUnit=Pa");
    CParamList store;
    ASSERT_TRUE(store.Init(7));
    ASSERT_TRUE(store.ParseSetupSection(text + "\n[SETUP STOP]\n"));
    for (int s = 0; s < 7; ++s) {
        double factor = -1.0;
        EXPECT_TRUE(store.GetCorrectionFactor(s, factor));
        EXPECT_DOUBLE_EQ(factor, cases[s].second) << "section " << s;
    }
}

}  // namespace
}  // namespace tarn::test

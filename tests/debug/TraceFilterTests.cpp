// Configuration, filters, line formats and cuts of the trace facility.
#include "tests/debug/TraceTestFixture.h"

namespace {

const std::string kTwoKeywords = "Level=1\nKeywords=tArN;DCChannels";

struct FilterCase {
    const char* name;
    std::string config;   // empty: no configuration file at all
    std::string keyword;
    int level;
    bool written;
};

class TraceFilter : public TraceTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(TraceFilter, WritesOnlyWhatLevelAndKeywordsAdmit) {
    const FilterCase& c = GetParam();
    if (!c.config.empty()) WriteConfig(c.config);
    QV_TRACE(c.keyword.c_str(), c.level, "message");
    EXPECT_EQ(Lines().size(), c.written ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TraceFilter,
    ::testing::Values(FilterCase{"NoFile", "", "TARN", 1, false}, FilterCase{"LevelOneEmptyList", "Level=1", "TARN", 1, false},
                      FilterCase{"LevelFourAnyKeyword", "Level=4", "Anything", 4, true},
                      FilterCase{"LevelFiveConsultsList", "Level=5\nKeywords=tarn", "Other", 1, false},
                      FilterCase{"LevelFiveListed", "Level=5\nKeywords=tarn", "TARN", 5, true},
                      FilterCase{"MixedCaseFirst", kTwoKeywords, "TARN", 1, true},
                      FilterCase{"MixedCaseLast", kTwoKeywords, "dcchannels", 1, true},
                      FilterCase{"PrefixOfEntry", kTwoKeywords, "DCChannel", 1, false},
                      FilterCase{"SuffixOfEntry", kTwoKeywords, "Channels", 1, false},
                      FilterCase{"EntryWithCharsAdded", kTwoKeywords, "TARNS", 1, false},
                      FilterCase{"InsideLongerEntryThenWhole", "Level=1\nKeywords=xtarn;tarnish;tarn", "Tarn", 1, true},
                      FilterCase{"BlankNotTrimmed", "Level=1\nKeywords=dc; tarn", "tarn", 1, false},
                      FilterCase{"BlankPartOfEntry", "Level=1\nKeywords=dc; tarn", " tarn", 1, true},
                      FilterCase{"KeywordComparedUpTo200", "Level=1\nKeywords=x;" + std::string(200, 'k'), std::string(250, 'K'), 1, true},
                      FilterCase{"EmptyKeywordEmptyList", "Level=1", "", 1, true},
                      FilterCase{"EmptyKeywordTrailingSeparator", "Level=1\nKeywords=tarn;", "", 1, true},
                      FilterCase{"LevelAboveConfigured", "Level=1\nKeywords=tarn", "tarn", 3, false},
                      FilterCase{"LevelEqualConfigured", "Level=3\nKeywords=tarn", "tarn", 3, true},
                      FilterCase{"NegativeLevelPasses", "Level=1\nKeywords=tarn", "tarn", -7, true},
                      FilterCase{"NegativeConfiguredLevel", "Level=-2\nKeywords=tarn", "tarn", -1, false},
                      FilterCase{"LevelZeroIsOff", "Level=0\nKeywords=tarn", "tarn", 0, false}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

using FormatCase = std::pair<const char*, const char*>;  // flags, line
class TraceFormat : public TraceTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(TraceFormat, ComposesTheLineByTheFlags) {
    WriteConfig(std::string("Level=1\nKeywords=tarn\n") + GetParam().first);
    tarn::QVDebug::SetTraceOrigin("src/ChannelDesc.cpp", "CChannelDesc::add", 42);
    tarn::QVDebug::QVTrace("TARN", 1, "Channel %u next block is %u", 3u, 600u);
    EXPECT_EQ(Lines(), std::vector<std::string>{GetParam().second});
}

INSTANTIATE_TEST_SUITE_P(
    Flags, TraceFormat,
    ::testing::Values(FormatCase{"", "Channel 3 next block is 600 'TARN' Origin: src/ChannelDesc.cpp\\CChannelDesc::add(42)\r\n"},
                      FormatCase{"FileFunctionLineInTrace=2", "Channel 3 next block is 600   'TARN'\r\n"},
                      FormatCase{"KeywordInTrace=0", "Channel 3 next block is 600    Origin: src/ChannelDesc.cpp\\CChannelDesc::add(42)\r\n"},
                      FormatCase{"KeywordInTrace=0\nFileFunctionLineInTrace=0", "Channel 3 next block is 600\r\n"}));

int g_Evaluated = 0;
int Evaluate() { return ++g_Evaluated; }

TEST_F(TraceTest, LevelZeroStopsStatementsBeforeTheirArguments) {
    QV_TRACE("TARN", 1, "first");   // no configuration file: reads Level 0
    EXPECT_EQ(tarn::QVDebug::traceLevel.load(), 0);
    WriteConfig("Level=4\nRefreshInterval=150");
    QV_TRACE("TARN", 1, "%d", Evaluate());
    EXPECT_EQ(g_Evaluated, 0);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TraceTest, ConvenienceFormsUseEmptyKeywordAndLevelThreeMfc) {
    WriteConfig("Level=3\nKeywords=mfc;\nFileFunctionLineInTrace=0");
    tarn::QVDebug::QVTrace(3, "plain %d", 1);
    tarn::QVDebug::QVTrace(4, "too high");
    tarn::QVDebug::QVTraceDefault("default %s", "form");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"plain 1   ''\r\n", "default form   'MFC'\r\n"}));
}

TEST_F(TraceTest, IllegalParameterLineShowsLastStoredOriginWhateverTheLevel) {
    const char* const none = nullptr;
    tarn::QVDebug::SetTraceOrigin(std::string(300, 'f').c_str(), "F", 7);
    tarn::QVDebug::QVTrace(none, 1, "x");   // before any configuration was read
    EXPECT_EQ(tarn::QVDebug::traceLevel.load(), 119);

    WriteConfig("Level=1\nFileFunctionLineInTrace=0");
    tarn::QVDebug::QVTrace("a", 1, "read the configuration");
    tarn::QVDebug::SetTraceOrigin("ignored.cpp", "G", 9);   // origin off: not stored
    tarn::QVDebug::QVTrace("a", 9, none);

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    const std::string tail = " from " + std::string(260, 'f') + "(7)\r\n";
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind("Illegal parameter to QVTrace() : kw = ", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.size() - std::min(line.size(), tail.size())), tail);
    }
}

TEST_F(TraceTest, TooLongKeywordListIsReportedAndCutTo999) {
    const std::string list = std::string(995, 'B') + ";TARN";   // 1000 characters
    WriteConfig("Level=1\nKeywordInTrace=0\nFileFunctionLineInTrace=0\nKeywords=" + list);
    tarn::QVDebug::QVTrace("tarn", 1, "cut away");
    tarn::QVDebug::QVTrace("tar", 1, "kept");
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "QVDebug::QVTrace() : Warning, user-defined keyword list too long. "
                           "The following keywords were read:\r\n",
                           list.substr(0, 999), "\r\n", "kept\r\n"}));
}

TEST_F(TraceTest, MessageAndLineAreCutToTheirBuffers) {
    WriteConfig("Level=4");
    const std::string longText(2000, 'm');
    tarn::QVDebug::QVTrace("k", 1, "%s", longText.c_str());
    tarn::QVDebug::QVTrace(longText.c_str(), 1, "%s", longText.c_str());
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].find(std::string(500, 'm')), std::string::npos);
    EXPECT_EQ(lines[0].rfind(std::string(499, 'm') + " 'k' Origin: ", 0), 0u);
    EXPECT_EQ(lines[1].size(), 1051u);
}

std::uint32_t g_Tick = 0;
std::uint32_t FakeTick() { return g_Tick; }

TEST_F(TraceTest, RefreshFollowsSignedTickDifferenceAcrossTheWrap) {
    tarn::QVDebug::Testing::SetTickSource(&FakeTick);
    const auto listed = [&](const char* keywords) {
        WriteConfig(std::string("Level=1\nRefreshInterval=150\nKeywords=") + keywords);
    };
    const auto written = [&](std::uint32_t tick) {
        g_Tick = tick;
        const std::size_t before = Lines().size();
        tarn::QVDebug::QVTrace("tarn", 1, "m");
        return Lines().size() > before;
    };
    listed("tarn");
    EXPECT_TRUE(written(1000));          // first reading leaves the next refresh time at 0
    listed("dc");
    EXPECT_FALSE(written(1000));         // so the second reads again: next = 1150
    listed("tarn");
    EXPECT_FALSE(written(1149));
    EXPECT_TRUE(written(1151));
    listed("dc");
    EXPECT_FALSE(written(0x7FFFFFFFu));
    listed("tarn");
    EXPECT_TRUE(written(0xFFFFFFA0u));   // next = 0x36, past the wrap
    listed("dc");
    EXPECT_TRUE(written(0xFFFFFFF0u));   // an unsigned comparison would read here
    EXPECT_TRUE(written(0x36u));
    EXPECT_FALSE(written(0x37u));
}

}  // namespace

// The trace facility: configuration, filters, line formats and cuts, and the statements' origins.
#include <thread>

#include "debug/FunctionName.h"
#include "tests/debug/TraceTestFixture.h"

namespace {

const std::string kTwoKeywords = "Level=1\nKeywords=tArN;DCChannels";

struct FilterCase {
    const char* name;
    std::string config, keyword;  // config empty: no configuration file at all
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
    ::testing::Values(
        FilterCase{"NoFile", "", "TARN", 1, false}, FilterCase{"LevelOneEmptyList", "Level=1", "TARN", 1, false},
        FilterCase{"LevelFourAnyKeyword", "Level=4", "Anything", 4, true}, FilterCase{"EmptyKeyword", "Level=1", "", 1, true},
        FilterCase{"LevelFiveConsultsList", "Level=5\nKeywords=tarn", "Other", 1, false},
        FilterCase{"MixedCase", kTwoKeywords, "TARN", 1, true}, FilterCase{"PrefixOfEntry", kTwoKeywords, "DCChannel", 1, false},
        FilterCase{"EntryWithCharsAdded", kTwoKeywords, "TARNS", 1, false},
        FilterCase{"InsideLongerEntryThenWhole", "Level=1\nKeywords=xtarn;tarnish;tarn", "Tarn", 1, true},
        FilterCase{"BlankNotTrimmed", "Level=1\nKeywords=dc; tarn", "tarn", 1, false},
        FilterCase{"BlankPartOfEntry", "Level=1\nKeywords=dc; tarn", " tarn", 1, true},
        FilterCase{"KeywordComparedUpTo200", "Level=1\nKeywords=x;" + std::string(200, 'k'), std::string(250, 'K'), 1, true},
        FilterCase{"LevelAbove", "Level=1\nKeywords=tarn", "tarn", 3, false}, FilterCase{"LevelEqual", "Level=3\nKeywords=tarn", "tarn", 3, true},
        FilterCase{"NegativeConfiguredLevel", "Level=-2\nKeywords=tarn", "tarn", -1, false},
        FilterCase{"LevelZeroIsOff", "Level=0\nKeywords=tarn", "tarn", 0, false}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

// The line by the two flags (any value but 1 switches a part off).
TEST_F(TraceTest, ComposesTheLineByTheFlags) {
    using Case = std::pair<const char*, const char*>;  // flags, line
    for (const auto& [flags, line] :
         {Case{"", "Channel 3 next block is 600 'TARN' Origin: src/ChannelDesc.cpp\\CChannelDesc::add(42)\r\n"},
          Case{"FileFunctionLineInTrace=2", "Channel 3 next block is 600   'TARN'\r\n"},
          Case{"KeywordInTrace=0", "Channel 3 next block is 600    Origin: src/ChannelDesc.cpp\\CChannelDesc::add(42)\r\n"},
          Case{"KeywordInTrace=0\nFileFunctionLineInTrace=0", "Channel 3 next block is 600\r\n"}}) {
        WriteConfig(std::string("Level=1\nKeywords=tarn\n") + flags);
        tarn::QVDebug::Testing::Reset();
        tarn::QVDebug::SetTraceOrigin("src/ChannelDesc.cpp", "CChannelDesc::add", 42);
        tarn::QVDebug::QVTrace("TARN", 1, "Channel %u next block is %u", 3u, 600u);
        EXPECT_EQ(Lines().empty() ? "" : Lines().back(), line);
    }
}

// Without a configuration tracing is off for good: no statement evaluates its arguments again.
TEST_F(TraceTest, LevelZeroStopsStatementsBeforeTheirArguments) {
    QV_TRACE("TARN", 1, "first");
    WriteConfig("Level=4\nRefreshInterval=150");
    int evaluated = 0;
    QV_TRACE("TARN", 1, "%d", ++evaluated);
    EXPECT_EQ(std::make_pair(tarn::QVDebug::traceLevel.load(), evaluated), std::make_pair(0, 0));
    EXPECT_TRUE(Lines().empty());
}

// Whatever the level, before and after the configuration is read; the origin is the last one
// stored (cut to 260 characters), not one given while the origin is off.
TEST_F(TraceTest, IllegalParameterLineShowsLastStoredOrigin) {
    tarn::QVDebug::SetTraceOrigin(std::string(300, 'f').c_str(), "F", 7);
    tarn::QVDebug::QVTrace(nullptr, 1, "x");
    WriteConfig("Level=1\nFileFunctionLineInTrace=0");
    tarn::QVDebug::QVTrace("a", 1, "read the configuration");
    tarn::QVDebug::SetTraceOrigin("ignored.cpp", "G", 9);
    tarn::QVDebug::QVTrace("a", 9, static_cast<const char*>(nullptr));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    const std::string tail = " from " + std::string(260, 'f') + "(7)\r\n";
    for (const std::string& line : lines)
        EXPECT_EQ(line.substr(0, 38) + line.substr(line.size() - tail.size()), "Illegal parameter to QVTrace() : kw = " + tail);
}

TEST_F(TraceTest, LongKeywordListMessageAndLineAreCut) {
    const std::string list = std::string(995, 'B') + ";TARN", longText(2000, 'm');  // a list of 1000 characters
    WriteConfig("Level=1\nKeywordInTrace=0\nFileFunctionLineInTrace=0\nKeywords=" + list + ";" + longText);
    tarn::QVDebug::QVTrace("tarn", 1, "cut away");
    tarn::QVDebug::QVTrace("tar", 1, "%s", longText.c_str());
    EXPECT_EQ(Lines(), (std::vector<std::string>{"QVDebug::QVTrace() : Warning, user-defined keyword list too long. "
                                                 "The following keywords were read:\r\n",
                                                 list.substr(0, 999), "\r\n", std::string(499, 'm') + "\r\n"}));
    WriteConfig("Level=4");
    tarn::QVDebug::Testing::Reset();
    tarn::QVDebug::QVTrace(longText.c_str(), 1, "%s", longText.c_str());
    EXPECT_EQ(Lines().back().size(), 1051u);
}

std::uint32_t g_Tick = 0;
std::uint32_t FakeTick() { return g_Tick; }

TEST_F(TraceTest, RefreshFollowsSignedTickDifferenceAcrossTheWrap) {
    tarn::QVDebug::Testing::SetTickSource(&FakeTick);
    // keywords configured before the trace at tick, and whether the trace is written
    const std::tuple<const char*, std::uint32_t, bool> steps[] = {
        {"tarn", 1000, true},        // the first reading leaves the next refresh time at 0,
        {"dc", 1000, false},         // so the second reads again: next = 1150
        {"tarn", 1149, false},       {"tarn", 1151, true},  {"dc", 0x7FFFFFFFu, false},
        {"tarn", 0xFFFFFFA0u, true},  // next = 0x36, past the wrap
        {"dc", 0xFFFFFFF0u, true},   // an unsigned comparison would read here
        {"dc", 0x36u, true},         {"dc", 0x37u, false}};
    for (const auto& [keywords, tick, written] : steps) {
        WriteConfig(std::string("Level=1\nRefreshInterval=150\nKeywords=") + keywords);
        g_Tick = tick;
        const std::size_t before = Lines().size();
        tarn::QVDebug::QVTrace("tarn", 1, "m");
        EXPECT_EQ(Lines().size() > before, written) << tick;
    }
}

// Signatures as g++ and clang++ write them, down to the class and function without namespaces.
TEST(FunctionName, KeepsTheClassAndFunctionOnly) {
    using Case = std::pair<const char*, const char*>;  // signature, name
    for (const auto& [signature, name] : {
             Case{"void tarn::CQVDataRecorderReader::ReadGenFeBlock(int)", "CQVDataRecorderReader::ReadGenFeBlock"},
             Case{"int main()", "main"}, Case{"void tarn::QVDebug::QVTrace(const char*)", "QVDebug::QVTrace"},
             Case{"std::vector<int>* tarn::component::C::Make(const char*) const", "C::Make"},
             Case{"std::map<int, std::pair<int, int> > *tarn::le::f(void (*)(int))", "f"}, Case{"T tarn::Max(T, T) [with T = int]", "Max"},
             Case{"void tarn::Holder<std::pair<int, int> >::Put(T) [T = int]", "Holder<std::pair<int, int> >::Put"},
             Case{"tarn::CChannelDesc::~CChannelDesc()", "CChannelDesc::~CChannelDesc"}, Case{"bool tarn::operator==(A, A)", "operator=="},
             Case{"bool C::operator<(const C&) const", "C::operator<"}, Case{"void C::operator()(int)", "C::operator()"},
             Case{"int& tarn::{anonymous}::Get()", "Get"}, Case{"int &(anonymous namespace)::C::Get()", "C::Get"},
             Case{"f()::<lambda(int)>", "f()::<lambda(int)>"}, Case{"", ""}, Case{")(", ")("}})
        EXPECT_EQ(tarn::QVDebug::Detail::QualifiedFunctionName(signature), name) << signature;
}

void TraceFromThread(const char* message) {
    for (int i = 0; i < 300; ++i) QV_TRACE("k", 1, "%s", message);
}
void TraceFromOtherThread(const char* message) {
    for (int i = 0; i < 300; ++i) QV_TRACE("k", 1, "%s", message);
}

// Each statement's origin is its own function's, on whichever thread it runs.
TEST_F(TraceTest, EachThreadKeepsItsOwnOrigin) {
    WriteConfig("Level=4\nKeywordInTrace=0");
    std::thread a(TraceFromThread, "a"), b(TraceFromOtherThread, "b");
    a.join();
    b.join();
    const auto lines = Lines();
    EXPECT_EQ(lines.size(), 600u);
    for (const std::string& line : lines)
        EXPECT_NE(line.find(line[0] == 'a' ? "\\TraceFromThread(" : "\\TraceFromOtherThread("), std::string::npos) << line;
}

}  // namespace

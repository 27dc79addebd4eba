// Debugger output and the user's decimal separator.
#include "platform/platform.h"
#include "tests/platform/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Captured {
    std::vector<std::string> lines;   // the sink is serialised by DebugOutput
    static void Sink(const char* line, void* context) { static_cast<Captured*>(context)->lines.push_back(line); }
};

TEST(DebugOutput, SinkReceivesLinesFromSeveralThreads) {
    Captured captured;
    tarn::platform::SetDebugOutputSink(&Captured::Sink, &captured);
    tarn::platform::DebugOutput(nullptr);   // ignored
    auto writer = [] {
        for (int i = 0; i < 500; ++i) tarn::platform::DebugOutput("line\n");
    };
    std::thread other(writer);
    writer();
    other.join();
    tarn::platform::SetDebugOutputSink(nullptr, nullptr);
    tarn::platform::DebugOutput("to the debugger channel, not the sink\n");
    EXPECT_EQ(captured.lines, std::vector<std::string>(1000, "line\n"));
}

#ifndef _WIN32
// The separator follows the environment, read afresh on each call. Under Wine the user locale
// comes from the Wine prefix, fixed when the prefix starts, so only POSIX can run this.
TEST(DecimalSeparator, FollowsTheEnvironment) {
    const struct {
        const char* values[3];   // LC_ALL, LC_NUMERIC, LANG; nullptr: unset
        char16_t expected;
    } cases[] = {
        {{"en_US.UTF-8", "de_DE.UTF-8", nullptr}, u'.'},   // LC_ALL first
        {{"", "fr_FR.UTF-8", "en_US"}, u','},              // empty ones do not count
        {{nullptr, nullptr, "de_CH.UTF-8"}, u'.'},
        {{"C", nullptr, "de_DE"}, u'.'},
        {{nullptr, nullptr, nullptr}, u'.'},
    };
    for (const auto& c : cases) {
        tarn::test::ScopedEnvironment environment;
        const char* const names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
        for (int i = 0; i < 3; ++i)
            environment.Set(names[i], c.values[i] ? std::optional<std::string>(c.values[i]) : std::nullopt);
        EXPECT_EQ(tarn::platform::UserDecimalSeparator(), c.expected) << (c.values[0] ? c.values[0] : "-");
    }
}
#endif

}  // namespace

// Debugger output, tick count, local time and the user's decimal separator.
#include "platform/platform.h"
#include "tests/platform/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
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
    tarn::platform::DebugOutput("first\n");
    tarn::platform::DebugOutput(nullptr);   // ignored
    auto writer = [] {
        for (int i = 0; i < 500; ++i) tarn::platform::DebugOutput("line\n");
    };
    std::thread other(writer);
    writer();
    other.join();
    tarn::platform::SetDebugOutputSink(nullptr, nullptr);
    tarn::platform::DebugOutput("to the debugger channel, not the sink\n");
    ASSERT_EQ(captured.lines.size(), 1001u);
    EXPECT_EQ(captured.lines.front(), "first\n");
}

TEST(TickCount, AdvancesAcrossASleep) {
    const std::uint32_t before = tarn::platform::TickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint32_t elapsed = tarn::platform::TickCount() - before;   // wraps correctly
    EXPECT_GE(elapsed, 10u);   // Windows ticks in steps of about 16 ms
    EXPECT_LT(elapsed, 5000u);
}

// TZ=UTC is understood by glibc and by the Windows runtime alike, so local time is UTC in both.
TEST(LocalTime64, UnderUtc) {
    tarn::test::ScopedEnvironment environment;
    environment.Set("TZ", "UTC");
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
    std::tm tm{};
    ASSERT_TRUE(tarn::platform::LocalTime64(1700000000, tm));   // 2023-11-14 22:13:20, a Tuesday
    const int fields[] = {tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
    EXPECT_EQ(std::vector<int>(fields, fields + 7), (std::vector<int>{123, 10, 14, 22, 13, 20, 2}));
    ASSERT_TRUE(tarn::platform::LocalTime64(5000000000LL, tm));   // past 2038
    EXPECT_EQ(tm.tm_year, 228);
    // Both builds accept the Windows runtime's range only: 1970 to the end of 3000.
    EXPECT_FALSE(tarn::platform::LocalTime64(-1, tm));
    EXPECT_FALSE(tarn::platform::LocalTime64(32535215999LL + 86400, tm));
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
        std::string trace;
        for (int i = 0; i < 3; ++i) {
            const char* value = c.values[i];
            environment.Set(std::vector<const char*>{"LC_ALL", "LC_NUMERIC", "LANG"}[i],
                            value ? std::optional<std::string>(value) : std::nullopt);
            trace += value ? std::string(value) + " " : "- ";
        }
        EXPECT_EQ(tarn::platform::UserDecimalSeparator(), c.expected) << trace;
    }
}
#endif

}  // namespace

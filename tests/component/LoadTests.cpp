// Load: several threads, each with objects of its own as the apartment model has it, each scanning
// and reading its own recording while other objects come, start scans and go, for
// TARN_LOAD_SECONDS seconds (3 unless set). No scan loses its event, every read gives the
// recording's samples, and no object outlives the run (the sanitizer builds add leaks and races).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "tests/component/ComponentFixture.h"

namespace tarn::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kThreads = 4;
constexpr std::uint32_t kBlocks = 1500;
constexpr auto kWait = std::chrono::seconds(60);

Clock::duration LoadTime() {
    const char* text = std::getenv("TARN_LOAD_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 3);
}

struct Tally {
    int scansStarted = 0;
    int scansEnded = 0;   // OnFileScanned events
    int badReads = 0;     // reads that did not give the recording's samples
    int refusals = 0;     // calls that failed where they should not
};

// A new object on this thread with the recording named, opened.
client::ComPtr<IQVRecorderFileReader> OpenObject(const std::string& path, Tally& tally) {
    client::ComPtr<IQVRecorderFileReader> object;
    LONG ok = 0;
    if (component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()) != S_OK ||
        object->put_FileName(Bstr(platform::FileNameToWide(path)).get()) != S_OK || object->open(&ok) != S_OK || ok != 1)
        ++tally.refusals;
    return object;
}

void Work(const std::string& path, Clock::time_point end, Tally& tally) {
    while (Clock::now() < end) {
        client::ScanEvents events;   // outlives the objects
        client::ComPtr<IQVRecorderFileReader> reader = OpenObject(path, tally);
        if (!reader || events.Connect(reader.Get()) != S_OK) return;
        auto& object = static_cast<CQVRecorderFileReader&>(*reader.Get());
        LONG ok = 0;
        tally.refusals += object.ScanFile(&ok) != S_OK;
        ++tally.scansStarted;
        {
            // Another object starts a scan of its own and goes while both scans run.
            client::ComPtr<IQVRecorderFileReader> passerby = OpenObject(path, tally);
            if (passerby) static_cast<CQVRecorderFileReader&>(*passerby.Get()).ScanFile(&ok);
        }
        if (events.WaitForScan(kWait)) tally.scansEnded += events.ScannedCount();
        LONG last = 0;
        short* samples = nullptr;
        if (object.GetSamples(2, 0, kBlocks * 8, &last, &samples) != S_OK) {
            ++tally.refusals;
            continue;
        }
        const TaskMem<short> owned(samples);
        bool same = last == LONG{kBlocks * 8 - 1};
        for (LONG s = 0; same && s <= last; ++s) same = samples[s] == static_cast<short>(s);
        tally.badReads += !same;
        events.Disconnect();
    }
}

TEST(Load, ObjectsOnManyThreads) {
    TempDir dir;
    const Clock::time_point end = Clock::now() + LoadTime();
    std::vector<Tally> tallies(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        const std::string path = ManyBlocks(kBlocks).WriteTo(dir, "load" + std::to_string(t) + ".dat");
        threads.emplace_back(Work, path, end, std::ref(tallies[static_cast<std::size_t>(t)]));
    }
    for (std::thread& thread : threads) thread.join();
    for (const Tally& tally : tallies) {
        EXPECT_GT(tally.scansStarted, 0);
        EXPECT_EQ(tally.scansEnded, tally.scansStarted) << "scan-complete events lost";
        EXPECT_EQ(tally.badReads, 0);
        EXPECT_EQ(tally.refusals, 0);
    }
    EXPECT_EQ(component::CanUnloadNow(), S_OK) << "objects outlive their clients";
}

}  // namespace
}  // namespace tarn::test

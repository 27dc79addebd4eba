// The background scan through the interfaces: events, their order and thread, the parameters the
// worker stores, and the worker's end by close, by release and from inside an event.
#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "component/com/Module.h"
#include "tests/component/ComponentFixture.h"

namespace tarn::test {
namespace {

constexpr auto kWait = std::chrono::seconds(60);

// Progress rises by more than 5 each time, from 6 up, before the one OnFileScanned; everything
// arrives on this thread, and only while it dispatches. A second scan walks the file afresh.
TEST_F(ComponentTest, EventsArriveInOrderOnTheCreatingThread) {
    Open(ManyBlocks(2000));
    for (int round = 0; round < 2; ++round) {
        events.Clear();
        LONG ok = 0;
        ASSERT_EQ(component().ScanFile(&ok), S_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(events.Progress().empty()) << "nothing arrives before the thread dispatches";
        ASSERT_TRUE(events.WaitForScan(kWait));
        EXPECT_TRUE(events.OnConnectingThread());
        const std::vector<LONG>& progress = events.Progress();
        ASSERT_FALSE(progress.empty());
        EXPECT_GE(progress.front(), 6);
        for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i] - progress[i - 1], 5) << i;
        EXPECT_EQ(client::DispatchPendingMessages(), 0);
        EXPECT_EQ(events.ScannedCount(), 1);
        LONG last = 0;
        ASSERT_EQ(component().GetLastSampleNumber(&last), S_OK);
        EXPECT_EQ(last, 2000 * 8) << "round " << round;
    }
}

TEST_F(ComponentTest, WorkerStoresOverrunAndBitSize) {
    const std::tuple<RecordingBuilder, const char16_t*, const char16_t*, const char16_t*> cases[] = {
        {ManyBlocks(60), u"No", u"No", u"<empty>"},
        {ManyBlocks(60, 5), u"No", u"Yes", u"<empty>"},
        {ManyBlocks(60, 0, true), u"No", u"No", u"32"},
        {TwoChannelRecording(), u"Yes", u"No", u"32"},   // the gap is before channel 1's last block
    };
    for (const auto& [file, overrun1, overrun2, bitSize] : cases) {
        component().close();
        Open(file);
        ScanAll();
        EXPECT_EQ(Parameter(u"OverrunLatched", 1), overrun1) << file.size();
        EXPECT_EQ(Parameter(u"OverrunLatched", 2), overrun2) << file.size();
        EXPECT_EQ(Parameter(u"DataBitSize", 0), bitSize) << file.size();
    }
}

// close waits for the worker and its OnFileScanned still comes. The last release waits too, then
// no event comes, the file is closed and the module lock is given back.
TEST_F(ComponentTest, CloseAndReleaseStopTheWorker) {
    Open(ManyBlocks(20000));
    LONG ok = 0;
    ASSERT_EQ(component().ScanFile(&ok), S_OK);
    EXPECT_EQ(component().close(), S_OK);
    ASSERT_TRUE(events.WaitForScan(kWait));
    EXPECT_EQ(events.ScannedCount(), 1);

    const LONG locks = com::Module::LockCount();
    Open(ManyBlocks(20000), "second.dat");
    ASSERT_EQ(component().ScanFile(&ok), S_OK);
    events.Disconnect();
    client::ScanEvents other;   // outlives the object
    ASSERT_EQ(other.Connect(object.Get()), S_OK);
    other.LeaveConnected();
    object.Reset();
    EXPECT_EQ(com::Module::LockCount(), locks - 1);
    EXPECT_FALSE(other.WaitForScan(std::chrono::milliseconds(200)));
    EXPECT_TRUE(other.Progress().empty());
    ASSERT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
    Open(ManyBlocks(3), "second.dat");   // the file was closed: it can be written and opened again
}

// A client is served from inside OnFileScanned, and may drop the connection and its last
// reference there: the object stays alive until the firing is over.
TEST_F(ComponentTest, ClientMayUseAndReleaseTheObjectFromAnEvent) {
    Open(ManyBlocks(10));
    LONG ok = 0, last = 0;
    ASSERT_EQ(component().ScanFile(&ok), S_OK);
    HRESULT served = E_UNEXPECTED;
    events.onScanned = [&] {
        served = component().GetLastSampleNumber(&last);
        events.Disconnect();
        object.Reset();
    };
    ASSERT_TRUE(events.WaitForScan(kWait));
    EXPECT_EQ(served, S_OK);
    EXPECT_EQ(last, 80);
    EXPECT_FALSE(object);
}

}  // namespace
}  // namespace tarn::test

// The background scan through the interfaces: events, their order and payload and thread, the
// parameters the worker stores, and stopping by close and by release.
#include <gtest/gtest.h>

#include <thread>

#include "tests/component/ComponentFixture.h"
#include "tests/component/Recordings.h"

namespace tarn::test {
namespace {

using client::ComPtr;
using client::ScanEvents;
constexpr auto kWait = std::chrono::seconds(30);

class ScanTest : public ComponentTest {
protected:
    void SetUp() override { ASSERT_EQ(events.Connect(object.Get()), S_OK); }
    HRESULT StartScan() {
        LONG ok = -1;
        const HRESULT hr = reader2()->ScanFile(&ok);
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(ok, 1);
        }
        return hr;
    }
    std::u16string Parameter(const char16_t* key, LONG section) {
        ScopedVariant value;
        EXPECT_EQ(object->getParameter(Bstr(key).get(), section, value.get()), S_OK);
        return V_VT(value.get()) == VT_EMPTY ? u"<empty>" : Text(value);
    }
    ComPtr<IQVRecorderFileReader2> reader2() { return object.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2); }

    ScanEvents events;
};

TEST_F(ScanTest, ScanFileBeforeOpenFailsWithoutEvent) {
    LONG ok = -1;
    EXPECT_EQ(reader2()->ScanFile(&ok), E_FAIL);
    EXPECT_EQ(reader2()->ScanFile(nullptr), E_POINTER);
    EXPECT_FALSE(events.WaitForScan(std::chrono::milliseconds(50)));
    EXPECT_TRUE(events.Progress().empty());
}

// Progress rises by more than 5 each time, starts at 6 or above, and ends before the one
// OnFileScanned; everything arrives on this thread, only while it dispatches.
TEST_F(ScanTest, EventsArriveInOrderOnTheCreatingThread) {
    const RecordingBuilder file = ManyBlocks(2000);
    Open(file);
    ASSERT_EQ(StartScan(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(events.Progress().empty()) << "nothing arrives before the thread dispatches";
    ASSERT_TRUE(events.WaitForScan(kWait));
    EXPECT_EQ(events.ScannedCount(), 1);
    EXPECT_TRUE(events.OnConnectingThread());
    const std::vector<LONG>& progress = events.Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_GE(progress.front(), 6);
    for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i] - progress[i - 1], 5) << i;
    EXPECT_LE(progress.back(), 100);
    EXPECT_LE(progress.size(), 16u);
    // Nothing more follows.
    EXPECT_EQ(client::DispatchPendingMessages(), 0);
    EXPECT_EQ(events.ScannedCount(), 1);
}

TEST_F(ScanTest, WorkerStoresOverrunAndBitSize) {
    struct Case {
        RecordingBuilder file;
        const char16_t* overrun1;
        const char16_t* overrun2;
        const char16_t* bitSize;
    };
    const Case cases[] = {
        {ManyBlocks(60), u"No", u"No", u"<empty>"},
        {ManyBlocks(60, 5), u"No", u"Yes", u"<empty>"},
        {ManyBlocks(60, 0, true), u"No", u"No", u"32"},
        {TwoChannelRecording(), u"Yes", u"No", u"32"},   // the gap is before the last block
    };
    for (const Case& c : cases) {
        object->close();
        Open(c.file);
        ASSERT_EQ(StartScan(), S_OK);
        ASSERT_TRUE(events.WaitForScan(kWait));
        EXPECT_EQ(Parameter(u"OverrunLatched", 1), c.overrun1) << &c - cases;
        EXPECT_EQ(Parameter(u"OverrunLatched", 2), c.overrun2) << &c - cases;
        EXPECT_EQ(Parameter(u"DataBitSize", 0), c.bitSize) << &c - cases;
    }
}

TEST_F(ScanTest, RescanBuildsTheSameIndex) {
    Open(ManyBlocks(300));
    LONG first[2], last[2];
    for (int round = 0; round < 2; ++round) {
        events.Clear();
        ASSERT_EQ(StartScan(), S_OK);
        ASSERT_TRUE(events.WaitForScan(kWait));
        EXPECT_EQ(events.ScannedCount(), 1);
        ASSERT_EQ(reader2()->GetFirstSampleNumber(&first[round]), S_OK);
        ASSERT_EQ(reader2()->GetLastSampleNumber(&last[round]), S_OK);
    }
    EXPECT_EQ(first[0], first[1]);
    EXPECT_EQ(last[0], 300 * 8);
    EXPECT_EQ(last[1], last[0]);
}

// While the worker runs, members that read the recording refuse; the object's own properties
// do not.
TEST_F(ScanTest, ReadingDuringTheScanFails) {
    Open(ManyBlocks(20000));
    ASSERT_EQ(StartScan(), S_OK);
    LONG value = 0;
    short* samples = nullptr;
    const HRESULT during[] = {
        reader2()->ScanFile(&value),
        reader2()->GetSamples(1, 0, 4, &value, &samples),
        reader2()->GetFirstSampleNumber(&value),
        object->Is32BitData(0, &value),
    };
    const bool stillRunning = !events.WaitForScan(std::chrono::milliseconds(0));
    RFMode mode;
    EXPECT_EQ(object->get_Mode(&mode), S_OK);
    EXPECT_EQ(reader2()->put_EnableLoadRECFileWithCORAL(1), S_OK);
    ASSERT_TRUE(events.WaitForScan(kWait));
    if (!stillRunning) GTEST_SKIP() << "the scan ended before the calls were made";
    for (const HRESULT hr : during) EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(samples, nullptr);
    EXPECT_EQ(events.ScannedCount(), 1);
    EXPECT_EQ(reader2()->GetFirstSampleNumber(&value), S_OK);
}

// close waits for the worker; its OnFileScanned still comes. Release waits too, and then no
// event comes at all.
TEST_F(ScanTest, CloseAndReleaseStopTheWorker) {
    Open(ManyBlocks(20000));
    ASSERT_EQ(StartScan(), S_OK);
    EXPECT_EQ(object->close(), S_OK);
    ASSERT_TRUE(events.WaitForScan(kWait));
    EXPECT_EQ(events.ScannedCount(), 1);

    Open(ManyBlocks(20000));
    ASSERT_EQ(StartScan(), S_OK);
    events.Disconnect();
    ScanEvents other;   // outlives the object
    ASSERT_EQ(other.Connect(object.Get()), S_OK);
    other.LeaveConnected();
    const std::string path = dir.file("recording2.dat");
    object.Reset();
    EXPECT_FALSE(other.WaitForScan(std::chrono::milliseconds(200)));
    EXPECT_TRUE(other.Progress().empty());
    // The file is closed: another object opens it.
    ComPtr<IQVRecorderFileReader> another = NewComponent();
    ASSERT_EQ(another->put_FileName(Bstr(platform::FileNameToWide(path)).get()), S_OK);
    LONG ok = 0;
    EXPECT_EQ(another->open(&ok), S_OK);
    EXPECT_EQ(ok, 1);
}

TEST_F(ScanTest, TwoObjectsOnOneThreadAreIndependent) {
    ComPtr<IQVRecorderFileReader> second = NewComponent();
    ScanEvents secondEvents;
    ASSERT_EQ(secondEvents.Connect(second.Get()), S_OK);
    Open(ManyBlocks(100));
    const UniqueBstr name = Bstr(platform::FileNameToWide(ManyBlocks(7).WriteTo(dir, "second.dat")));
    ASSERT_EQ(second->put_FileName(name.get()), S_OK);
    LONG ok = 0;
    ASSERT_EQ(second->open(&ok), S_OK);
    ComPtr<IQVRecorderFileReader2> second2 = second.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    ASSERT_EQ(second2->ScanFile(&ok), S_OK);
    ASSERT_EQ(StartScan(), S_OK);
    ASSERT_TRUE(events.WaitForScan(kWait));
    ASSERT_TRUE(secondEvents.ScannedCount() == 1 || secondEvents.WaitForScan(kWait));
    EXPECT_EQ(events.ScannedCount(), 1);
    EXPECT_EQ(secondEvents.ScannedCount(), 1);
    LONG last = 0;
    ASSERT_EQ(second2->GetLastSampleNumber(&last), S_OK);
    EXPECT_EQ(last, 7 * 8);
    ASSERT_EQ(reader2()->GetLastSampleNumber(&last), S_OK);
    EXPECT_EQ(last, 100 * 8);
}

// A client that drops the connection and its last reference from inside OnFileScanned: the
// object stays alive until the firing is over.
TEST_F(ScanTest, ClientMayReleaseTheObjectFromAnEvent) {
    Open(ManyBlocks(10));
    ASSERT_EQ(StartScan(), S_OK);
    bool released = false;
    events.onScanned = [&] {
        events.Disconnect();
        object.Reset();
        released = true;
    };
    ASSERT_TRUE(events.WaitForScan(kWait));
    EXPECT_TRUE(released);
}

}  // namespace
}  // namespace tarn::test

// Sinks, cookies, growth of the sink array, and event delivery.
#include "TestObject.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ConnectionPoints : public ::testing::Test {
protected:
    void SetUp() override {
        object = NewTestObject();
        void* p = nullptr;
        ASSERT_EQ(object->QueryInterface(IID_IConnectionPointContainer, &p), S_OK);
        container = static_cast<IConnectionPointContainer*>(p);
        ASSERT_EQ(container->FindConnectionPoint(DIID_ITestEvents, &point), S_OK);
    }
    void TearDown() override {
        point->Release();
        container->Release();
        object->Release();
    }
    void Fire(LONG value) {
        VARIANT arg;
        VariantInit(&arg);
        V_VT(&arg) = VT_I4;
        V_I4(&arg) = value;
        static_cast<TestObject*>(object)->Events().Fire(7, &arg, 1);
    }
    // n sinks with ids 0 .. n-1, advised in order; returns their cookies.
    std::vector<DWORD> AdviseSinks(int n) {
        std::vector<DWORD> cookies;
        for (int i = 0; i < n; ++i) {
            sinks.push_back(std::make_unique<TestSink>(i, &log));
            DWORD cookie = 0;
            EXPECT_EQ(point->Advise(sinks.back().get(), &cookie), S_OK);
            cookies.push_back(cookie);
        }
        return cookies;
    }

    ITestAlpha* object = nullptr;
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    std::vector<std::unique_ptr<TestSink>> sinks;
    std::vector<SinkCall> log;
};

TEST_F(ConnectionPoints, ContainerFindsOnlyItsEventInterface) {
    IConnectionPoint* other = reinterpret_cast<IConnectionPoint*>(1);
    EXPECT_EQ(container->FindConnectionPoint(IID_ITestAlpha, &other), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(container->FindConnectionPoint(DIID_ITestEvents, nullptr), E_POINTER);

    IEnumConnectionPoints* points = nullptr;
    ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
    IConnectionPoint* got[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(2, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], point);
    got[0]->Release();
    points->Release();
}

TEST_F(ConnectionPoints, CookiesAreSlotNumbersAndTheArrayGrowsPastFourAndEight) {
    std::vector<DWORD> cookies = AdviseSinks(9);
    EXPECT_EQ(cookies, (std::vector<DWORD>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(static_cast<TestObject*>(object)->Events().SlotCount(), 16u);
    for (auto& sink : sinks) EXPECT_EQ(sink->refs, 2u);

    // A freed slot is reused first; cookie 0, beyond the list or of an empty slot is refused.
    EXPECT_EQ(point->Unadvise(3), S_OK);
    EXPECT_EQ(sinks[2]->refs, 1u);
    for (DWORD bad : {0u, 3u, 10u, 17u, 0xFFFFFFFFu}) EXPECT_EQ(point->Unadvise(bad), CONNECT_E_NOCONNECTION) << bad;
    TestSink late(99, &log);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(&late, &cookie), S_OK);
    EXPECT_EQ(cookie, 3u);
    EXPECT_EQ(point->Unadvise(3), S_OK);
}

TEST_F(ConnectionPoints, AdviseCodes) {
    TestSink sink(0, &log);
    DWORD cookie = 5;
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(point->Advise(&sink, nullptr), E_POINTER);
    struct Case {
        HRESULT answer;
        HRESULT expected;
    } cases[] = {{E_NOINTERFACE, CONNECT_E_CANNOTCONNECT}, {E_OUTOFMEMORY, E_OUTOFMEMORY}, {E_FAIL, E_FAIL}};
    for (const Case& c : cases) {
        TestSink refusing(1, &log, c.answer);
        EXPECT_EQ(point->Advise(&refusing, &cookie), c.expected);
        EXPECT_EQ(cookie, 0u);
        EXPECT_EQ(refusing.refs, 1u);
    }
}

TEST_F(ConnectionPoints, AdviseLimitWhenTheArrayCannotGrow) {
    TestSink sink(0, &log);   // outlives the point, which releases it
    tarn::com::ConnectionPoint limited(*static_cast<TestObject*>(object), DIID_ITestEvents, 4);
    DWORD cookie = 0;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(limited.Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(limited.Advise(&sink, &cookie), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(sink.refs, 5u);
    EXPECT_EQ(limited.Unadvise(2), S_OK);
    EXPECT_EQ(limited.Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(cookie, 2u);
}

TEST_F(ConnectionPoints, FiringCallsEverySinkInSlotOrderDespiteFailures) {
    AdviseSinks(5);
    EXPECT_EQ(point->Unadvise(2), S_OK);
    // Sink 0 unadvises sink 3 while the event is being delivered; sink 3 is skipped.
    sinks[0]->onInvoke = [this] { EXPECT_EQ(point->Unadvise(4), S_OK); };
    Fire(42);
    EXPECT_EQ(log, (std::vector<SinkCall>{{0, 7, 42}, {2, 7, 42}, {4, 7, 42}}));
    for (int i : {0, 2, 4}) EXPECT_EQ(sinks[i]->refs, 2u);
}

TEST_F(ConnectionPoints, EnumConnectionsSnapshotsSinksWithCookies) {
    AdviseSinks(3);
    EXPECT_EQ(point->Unadvise(2), S_OK);
    IEnumConnections* connections = nullptr;
    ASSERT_EQ(point->EnumConnections(&connections), S_OK);
    EXPECT_EQ(sinks[0]->refs, 3u);   // the snapshot holds each sink
    EXPECT_EQ(connections->Skip(1), S_OK);
    IEnumConnections* clone = nullptr;
    ASSERT_EQ(connections->Clone(&clone), S_OK);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(clone->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(data[0].dwCookie, 3u);
    EXPECT_EQ(data[0].pUnk, static_cast<IUnknown*>(sinks[2].get()));
    data[0].pUnk->Release();
    EXPECT_EQ(connections->Reset(), S_OK);
    EXPECT_EQ(connections->Next(1, data, nullptr), S_OK);
    EXPECT_EQ(data[0].dwCookie, 1u);
    data[0].pUnk->Release();
    EXPECT_EQ(connections->Skip(5), S_FALSE);
    EXPECT_EQ(connections->Next(2, data, nullptr), E_POINTER);
    clone->Release();
    connections->Release();
    EXPECT_EQ(sinks[0]->refs, 2u);
}

TEST(ConnectionPointLifetime, ReleasingTheObjectReleasesItsSinks) {
    std::vector<SinkCall> log;
    TestSink sink(0, &log);
    ITestAlpha* object = NewTestObject();
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(static_cast<TestObject*>(object)->FindConnectionPoint(DIID_ITestEvents, &point), S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(RefCount(object), 2u);   // the connection point holds its object
    point->Release();
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(sink.refs, 1u);
}

}  // namespace

// Sinks, cookies, growth of the sink array, and event delivery.
#include "TestObject.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ConnectionPoints : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_EQ(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID_ITestEvents, &point), S_OK);
    }
    void TearDown() override {
        point->Release();
        container->Release();
        EXPECT_EQ(object->Release(), 0u);
        for (auto& sink : sinks) EXPECT_EQ(sink->refs, 1u) << "the object released its sinks";
    }
    // n sinks with ids 0 .. n-1, advised in order; their cookies.
    std::vector<DWORD> AdviseSinks(int n) {
        std::vector<DWORD> cookies;
        for (int i = 0; i < n; ++i) {
            sinks.push_back(std::make_unique<TestSink>(i, &log));
            EXPECT_EQ(point->Advise(sinks.back().get(), &cookies.emplace_back()), S_OK);
        }
        return cookies;
    }

    std::vector<SinkCall> log;
    std::vector<std::unique_ptr<TestSink>> sinks;   // outlive the object
    ITestAlpha* object = NewTestObject();
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
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

// Cookies are slot numbers from 1; the array doubles from 4 when full; a freed slot is reused.
TEST_F(ConnectionPoints, CookiesSlotsAndAdviseCodes) {
    EXPECT_EQ(AdviseSinks(9), (std::vector<DWORD>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(static_cast<TestObject*>(object)->Events().SlotCount(), 16u);
    EXPECT_EQ(point->Unadvise(3), S_OK);
    EXPECT_EQ(sinks[2]->refs, 1u);
    for (DWORD bad : {0u, 3u, 10u, 17u, 0xFFFFFFFFu}) EXPECT_EQ(point->Unadvise(bad), CONNECT_E_NOCONNECTION) << bad;
    DWORD cookie = 5;
    EXPECT_EQ(point->Advise(sinks[2].get(), &cookie), S_OK);
    EXPECT_EQ(cookie, 3u);
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(point->Advise(sinks[2].get(), nullptr), E_POINTER);
    const std::pair<HRESULT, HRESULT> answers[] = {
        {E_NOINTERFACE, CONNECT_E_CANNOTCONNECT}, {E_OUTOFMEMORY, E_OUTOFMEMORY}, {E_FAIL, E_FAIL}};
    for (const auto& [answer, expected] : answers) {
        TestSink refusing(1, &log, answer);
        EXPECT_EQ(point->Advise(&refusing, &cookie), expected);
        EXPECT_EQ(cookie, 0u);
        EXPECT_EQ(refusing.refs, 1u);
    }
    TestSink sink(0, &log);   // outlives the point, which releases it
    tarn::com::ConnectionPoint limited(*static_cast<TestObject*>(object), DIID_ITestEvents, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(limited.Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(limited.Advise(&sink, &cookie), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(limited.Unadvise(2), S_OK);
    EXPECT_EQ(limited.Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(cookie, 2u);
}

// Every sink in slot order despite failures; one that unadvises another during the firing
// keeps it from the event.
TEST_F(ConnectionPoints, FiringCallsEverySinkInSlotOrder) {
    AdviseSinks(5);
    EXPECT_EQ(point->Unadvise(2), S_OK);
    sinks[0]->onInvoke = [this] { EXPECT_EQ(point->Unadvise(4), S_OK); };
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_I4;
    V_I4(&argument) = 42;
    static_cast<TestObject*>(object)->Events().Fire(7, &argument, 1);
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
}

}  // namespace

// The object's class object and its connection point.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>

#include "tests/component/ComponentFixture.h"

namespace tarn::test {
namespace {

// Aggregated objects are asked for IUnknown alone; failed creations leave nothing locked.
TEST(ClassObject, OnlyForItsClass) {
    client::ComPtr<IClassFactory> factory;
    EXPECT_EQ(component::GetClassObject(LIBID_TARNLib, IID_IClassFactory, factory.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(component::GetClassObject(CLSID_QVRecorderFileReader, IID_IClassFactory, factory.PutVoid()), S_OK);
    client::ComPtr<IQVRecorderFileReader2> object;
    EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IQVRecorderFileReader2, object.PutVoid()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, object.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(component::CanUnloadNow(), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IQVRecorderFileReader2, object.PutVoid()), S_OK);
    EXPECT_EQ(component::CanUnloadNow(), S_FALSE);
    object.Reset();
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(component::CanUnloadNow(), S_FALSE);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(component::CanUnloadNow(), S_OK);
}


// What reached a sink: its id, the DISPID and the first argument.
using SinkCall = std::tuple<int, DISPID, LONG>;

// A sink that counts references; asked for the event interface it answers eventAnswer if failing.
class TestSink final : public IDispatch {
public:
    TestSink(int id, std::vector<SinkCall>& log, HRESULT eventAnswer = S_OK)
        : m_Id(id), m_Log(log), m_EventAnswer(eventAnswer) {}

    ULONG refs = 1;
    std::function<void()> onInvoke;   // once, from inside Invoke

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, DIID__IQVRecorderFileReaderEvents) && FAILED(m_EventAnswer)) return m_EventAnswer;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        m_Log.emplace_back(m_Id, dispid, params->cArgs ? V_I4(&params->rgvarg[0]) : -1);
        if (auto callback = std::exchange(onInvoke, nullptr)) callback();
        return E_FAIL;   // ignored by the firing loop
    }

private:
    int m_Id;
    std::vector<SinkCall>& m_Log;
    HRESULT m_EventAnswer;
};

// Cookies are slot numbers from 1 and a freed slot is reused; the array doubles from 4 when full.
// Events reach every sink in slot order despite failures, skipping one unadvised meanwhile. The
// object releases its sinks as it goes.
TEST_F(ComponentTest, ConnectionPoint) {
    events.Disconnect();
    std::vector<SinkCall> log;
    std::vector<std::unique_ptr<TestSink>> sinks;
    client::ComPtr<IConnectionPoint> point;
    ASSERT_EQ(object.As<IConnectionPointContainer>(IID_IConnectionPointContainer)
                  ->FindConnectionPoint(DIID__IQVRecorderFileReaderEvents, point.Put()), S_OK);
    DWORD cookie = 0;
    for (DWORD i = 0; i < 9; ++i) {
        sinks.push_back(std::make_unique<TestSink>(static_cast<int>(i), log));
        EXPECT_EQ(point->Advise(sinks[i].get(), &cookie), S_OK);
        EXPECT_EQ(cookie, i + 1);
    }
    EXPECT_EQ(point->Unadvise(3), S_OK);
    for (DWORD bad : {0u, 3u, 10u, 17u, 0xFFFFFFFFu}) EXPECT_EQ(point->Unadvise(bad), CONNECT_E_NOCONNECTION) << bad;
    EXPECT_EQ(point->Advise(sinks[2].get(), &cookie), S_OK);
    EXPECT_EQ(cookie, 3u);
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(point->Advise(sinks[2].get(), nullptr), E_POINTER);
    const std::pair<HRESULT, HRESULT> answers[] = {
        {E_NOINTERFACE, CONNECT_E_CANNOTCONNECT}, {E_OUTOFMEMORY, E_OUTOFMEMORY}, {E_FAIL, E_FAIL}};
    for (const auto& [answer, expected] : answers) {
        TestSink refusing(1, log, answer);
        EXPECT_EQ(point->Advise(&refusing, &cookie), expected);
        EXPECT_EQ(cookie, 0u);
        EXPECT_EQ(refusing.refs, 1u);
    }
    for (const DWORD unadvised : {2u, 6u, 7u, 8u, 9u}) EXPECT_EQ(point->Unadvise(unadvised), S_OK);
    sinks[0]->onInvoke = [&] { EXPECT_EQ(point->Unadvise(4), S_OK); };
    component().Fire_OnProgress(42);
    component().Fire_OnFileScanned();
    EXPECT_EQ(log, (std::vector<SinkCall>{{0, 1, 42}, {2, 1, 42}, {4, 1, 42}, {0, 2, -1}, {2, 2, -1}, {4, 2, -1}}));
    point.Reset();
    object.Reset();
    for (auto& sink : sinks) EXPECT_EQ(sink->refs, 1u);
}

}  // namespace
}  // namespace tarn::test

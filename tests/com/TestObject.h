// A small object built from the COM support classes, its dual test interface with a member
// table, and an event sink that logs what reaches it.
#pragma once

#include "component/com/ComObject.h"
#include "component/com/ConnectionPoint.h"
#include "component/com/Dispatch.h"
#include "component/com/Module.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Test-only identities.
inline const IID IID_ITestAlpha = {0x6f1c5a62, 0x0e0e, 0x4a8e, {0x9a, 0x55, 0x3c, 0x1e, 0x2f, 0x4b, 0x7d, 0x01}};
inline const IID DIID_ITestEvents = {0x6f1c5a62, 0x0e0e, 0x4a8e, {0x9a, 0x55, 0x3c, 0x1e, 0x2f, 0x4b, 0x7d, 0x03}};

struct ITestAlpha : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Value(LONG* pVal) = 0;                            // 1 get
    virtual HRESULT STDMETHODCALLTYPE put_Value(LONG value) = 0;                            // 1 put
    virtual HRESULT STDMETHODCALLTYPE Describe(BSTR prefix, double scale, BSTR* text) = 0;  // 2
    virtual HRESULT STDMETHODCALLTYPE Split(LONG total, LONG* half, LONG* rest) = 0;        // 3
    virtual HRESULT STDMETHODCALLTYPE Take(BYTE* data) = 0;                                 // 4
};

namespace tarn::com {
template <>
struct DispatchTraits<ITestAlpha> {
    static const MemberTable& Members() {
        static const DispatchMember members[] = {
            Member<&ITestAlpha::get_Value, 0>("Value", 1, DISPATCH_PROPERTYGET),
            Member<&ITestAlpha::put_Value, 1>("Value", 1, DISPATCH_PROPERTYPUT),
            Member<&ITestAlpha::Describe, 2>("Describe", 2, DISPATCH_METHOD),
            Member<&ITestAlpha::Split, 1>("Split", 3, DISPATCH_METHOD),
            Member<&ITestAlpha::Take, 1>("Take", 4, DISPATCH_METHOD),
        };
        static const MemberTable table(members);
        return table;
    }
};
}  // namespace tarn::com

class TestObject : public tarn::com::MemberTableDispatch<ITestAlpha>,
                   public tarn::com::ConnectionPointContainer,
                   public tarn::com::ObjectRoot {
public:
    static inline int s_Live = 0;
    // The module's lock count while the last object's destructor ran.
    static inline LONG s_LocksInDestructor = -1;

    explicit TestObject(IUnknown* outer)
        : tarn::com::ConnectionPointContainer(DIID_ITestEvents), tarn::com::ObjectRoot(outer) {
        ++s_Live;
    }
    ~TestObject() override {
        --s_Live;
        s_LocksInDestructor = tarn::com::Module::LockCount();
    }

    static const tarn::com::InterfaceMap& Interfaces() {
        using namespace tarn::com;
        static const InterfaceEntry entries[] = {
            Entry<TestObject, ITestAlpha>(IID_ITestAlpha),
            Entry<TestObject, IConnectionPointContainer>(IID_IConnectionPointContainer),
            Entry<TestObject, ITestAlpha>(IID_IDispatch),
        };
        static const InterfaceMap map(entries);
        return map;
    }

    HRESULT STDMETHODCALLTYPE get_Value(LONG* pVal) override { return *pVal = m_Value, S_OK; }
    HRESULT STDMETHODCALLTYPE put_Value(LONG value) override { return m_Value = value, S_OK; }
    HRESULT STDMETHODCALLTYPE Describe(BSTR prefix, double scale, BSTR* text) override {
        std::basic_string<OLECHAR> s(prefix ? prefix : OLESTR(""), SysStringLen(prefix));
        s += scale > 1 ? OLESTR("+big") : OLESTR("+small");
        *text = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Split(LONG total, LONG* half, LONG* rest) override {
        if (total < 0) return E_INVALIDARG;
        return *half = total / 2, *rest = total - total / 2, S_OK;
    }
    HRESULT STDMETHODCALLTYPE Take(BYTE*) override { return S_OK; }

private:
    LONG m_Value = 0;
};

inline ITestAlpha* NewTestObject() {
    void* p = nullptr;
    tarn::com::ComObject<TestObject>::CreateInstance(nullptr, IID_ITestAlpha, &p);
    return static_cast<ITestAlpha*>(p);
}

inline ULONG RefCount(IUnknown* unknown) {
    unknown->AddRef();
    return unknown->Release();
}

// What reached a sink: its id, the DISPID and the first argument.
struct SinkCall {
    int sink;
    DISPID dispid;
    LONG argument;
    bool operator==(const SinkCall& o) const { return sink == o.sink && dispid == o.dispid && argument == o.argument; }
};

// A sink on the stack: it counts references but never deletes itself.
class TestSink final : public IDispatch {
public:
    TestSink(int id, std::vector<SinkCall>* log, HRESULT eventAnswer = S_OK)
        : m_Id(id), m_Log(log), m_EventAnswer(eventAnswer) {}

    ULONG refs = 1;
    std::function<void()> onInvoke;   // once, from inside Invoke

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, DIID_ITestEvents) && FAILED(m_EventAnswer)) return m_EventAnswer;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, DIID_ITestEvents))
            return E_NOINTERFACE;
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
        m_Log->push_back({m_Id, dispid, params->cArgs ? V_I4(&params->rgvarg[0]) : -1});
        if (auto callback = std::exchange(onInvoke, nullptr)) callback();
        return E_FAIL;   // ignored by the firing loop
    }

private:
    int m_Id;
    std::vector<SinkCall>* m_Log;
    HRESULT m_EventAnswer;
};

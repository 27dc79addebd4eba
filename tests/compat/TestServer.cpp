// A shared library in the shape of an in-process server, for the activation tests.
#include "tests/compat/TestServer.h"

#include <atomic>

namespace {

using tarn::test::CLSID_TestAnswer;
using tarn::test::IID_ITestAnswer;
using tarn::test::ITestAnswer;

std::atomic<long> g_Locks{0};   // live objects and LockServer(TRUE) calls

class TheAnswer final : public ITestAnswer {
public:
    TheAnswer() { ++g_Locks; }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        const bool known = riid == IID_IUnknown || riid == IID_ITestAnswer;
        *ppv = known ? static_cast<ITestAnswer*>(this) : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_References; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --m_References;
        if (left == 0) {
            delete this;
            --g_Locks;
        }
        return left;
    }
    STDMETHODIMP Answer(LONG* value) override {
        if (!value) return E_POINTER;
        *value = 42;
        return S_OK;
    }

private:
    std::atomic<ULONG> m_References{1};
};

class AnswerFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        const bool known = riid == IID_IUnknown || riid == IID_IClassFactory;
        *ppv = known ? static_cast<IClassFactory*>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    // Static: lives as long as the module.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        TheAnswer* answer = new TheAnswer;
        const HRESULT hr = answer->QueryInterface(riid, ppv);
        answer->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        g_Locks += lock ? 1 : -1;
        return S_OK;
    }
};

}  // namespace

#define TEST_SERVER_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT

#ifndef TARN_TEST_SERVER_WITHOUT_CLASS_OBJECT
TEST_SERVER_EXPORT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_TestAnswer) return CLASS_E_CLASSNOTAVAILABLE;
    static AnswerFactory factory;
    return factory.QueryInterface(riid, ppv);
}
#endif

TEST_SERVER_EXPORT DllCanUnloadNow() { return g_Locks == 0 ? S_OK : S_FALSE; }

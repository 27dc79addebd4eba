// A shared library in the shape of an in-process server, for the activation tests.
#include "tests/compat/TestServer.h"

namespace {

using tarn::test::CLSID_TestAnswer;
using tarn::test::IID_ITestAnswer;
using tarn::test::ITestAnswer;

// Static, like the class object: lives as long as the module.
class TheAnswer final : public ITestAnswer, public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_ITestAnswer) *ppv = static_cast<ITestAnswer*>(this);
        else if (riid == IID_IUnknown || riid == IID_IClassFactory) *ppv = static_cast<IClassFactory*>(this);
        else *ppv = nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Answer(LONG* value) override {
        *value = 42;
        return S_OK;
    }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override { return QueryInterface(riid, ppv); }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

}  // namespace

#ifndef TARN_TEST_SERVER_WITHOUT_CLASS_OBJECT
extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    static TheAnswer answer;
    *ppv = nullptr;
    return rclsid == CLSID_TestAnswer ? answer.QueryInterface(riid, ppv) : CLASS_E_CLASSNOTAVAILABLE;
}
#endif

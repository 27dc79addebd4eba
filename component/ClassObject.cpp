#include "component/ClassObject.h"

#include "component/CQVRecorderFileReader.h"
#include "component/com/ClassFactory.h"
#include "component/com/ComObject.h"
#include "component/com/Module.h"

namespace tarn::component {

namespace {

com::ClassFactory& Factory() {
    static com::ClassFactory factory(&CreateQVRecorderFileReader);
    return factory;
}

}  // namespace

HRESULT CreateQVRecorderFileReader(IUnknown* outer, REFIID riid, void** ppv) {
    return com::ComObject<CQVRecorderFileReader>::CreateInstance(outer, riid, ppv);
}

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(clsid, CLSID_QVRecorderFileReader)) return CLASS_E_CLASSNOTAVAILABLE;
    return Factory().QueryInterface(riid, ppv);
}

HRESULT CanUnloadNow() { return com::Module::LockCount() == 0 ? S_OK : S_FALSE; }

HRESULT RegisterClassObjectInProcess(DWORD* cookie) {
    return CoRegisterClassObject(CLSID_QVRecorderFileReader, &Factory(), CLSCTX_INPROC_SERVER,
                                 REGCLS_MULTIPLEUSE, cookie);
}

}  // namespace tarn::component

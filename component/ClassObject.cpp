#include "component/ClassObject.h"

#include "component/CQVRecorderFileReader.h"
#include "component/ModuleRegistration.h"
#include "component/com/ClassFactory.h"
#include "component/com/ComObject.h"
#include "component/com/Module.h"

namespace tarn::component {

namespace {

#include "RegistryScript.inc"   // kRegistryScript: component/tarn.rgs as text

com::ClassFactory& Factory() {
    static com::ClassFactory factory(CLSID_QVRecorderFileReader, &CreateQVRecorderFileReader);
    return factory;
}

const TypeLibraryId kTypeLibrary{LIBID_TARNLib, kTARNLibMajorVersion, kTARNLibMinorVersion, kTARNLibLocale};

}  // namespace

HRESULT CreateQVRecorderFileReader(IUnknown* outer, REFIID riid, void** ppv) {
    return com::ComObject<CQVRecorderFileReader>::CreateInstance(outer, riid, ppv);
}

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) { return Factory().GetClassObject(clsid, riid, ppv); }

HRESULT CanUnloadNow() { return com::Module::CanUnloadNow(); }

HRESULT RegisterServer() { return RegisterModule(kRegistryScript, &kTypeLibrary); }

HRESULT UnregisterServer() { return UnregisterModule(kRegistryScript, &kTypeLibrary); }

HRESULT RegisterClassObjectInProcess(DWORD* cookie) { return Factory().RegisterInProcess(cookie); }

}  // namespace tarn::component

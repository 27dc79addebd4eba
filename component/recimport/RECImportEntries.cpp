// The recimport module's entries: the server's class object and registration.
#include "component/ModuleRegistration.h"
#include "component/com/ClassFactory.h"
#include "component/com/Module.h"
#include "component/module/ModuleEntries.h"
#include "component/recimport/RECImport.h"

namespace tarn::module {

namespace {

#include "RegistryScript.inc"   // kRegistryScript: component/recimport/recimport.rgs as text

com::ClassFactory& Factory() {
    static com::ClassFactory factory(CLSID_RECImport, &recimport::RECImport::Create);
    return factory;
}

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) { return Factory().GetClassObject(clsid, riid, ppv); }
HRESULT CanUnloadNow() { return com::Module::CanUnloadNow(); }
HRESULT RegisterServer() { return component::RegisterModule(kRegistryScript, nullptr); }
HRESULT UnregisterServer() { return component::UnregisterModule(kRegistryScript, nullptr); }

}  // namespace tarn::module

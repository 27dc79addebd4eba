// The tarn module's entries: the component's class object and registration.
#include "component/ClassObject.h"
#include "component/module/ModuleEntries.h"

namespace tarn::module {

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) { return component::GetClassObject(clsid, riid, ppv); }
HRESULT CanUnloadNow() { return component::CanUnloadNow(); }
HRESULT RegisterServer() { return component::RegisterServer(); }
HRESULT UnregisterServer() { return component::UnregisterServer(); }

}  // namespace tarn::module

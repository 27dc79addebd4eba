// The class object of QVRecorderFileReader and what a module or an executable does with it.
#pragma once

#include "compat/compat.h"

namespace tarn::component {

// Creates a component object, aggregated when outer is given, and queries it for riid.
HRESULT CreateQVRecorderFileReader(IUnknown* outer, REFIID riid, void** ppv);

// DllGetClassObject: the class object (one for the life of the module) for
// CLSID_QVRecorderFileReader, CLASS_E_CLASSNOTAVAILABLE for any other class.
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);

// DllCanUnloadNow: S_OK when no component object and no class-object lock exists, else S_FALSE.
HRESULT CanUnloadNow();

// DllRegisterServer and DllUnregisterServer: component/tarn.rgs and the type library.
HRESULT RegisterServer();
HRESULT UnregisterServer();

// For executables that link the component: registers the class object with this process's COM,
// so that CoCreateInstance finds it without a registered module. Revoke with CoRevokeClassObject.
HRESULT RegisterClassObjectInProcess(DWORD* cookie);

}  // namespace tarn::component

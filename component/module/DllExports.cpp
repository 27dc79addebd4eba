// The four entry points of the in-process server module.
#include "compat/compat.h"
#include "component/ClassObject.h"
#include "component/ModuleRegistration.h"

#ifdef _WIN32
#define TARN_EXPORT STDAPI
#else
#define TARN_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT
#endif

TARN_EXPORT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return tarn::component::GetClassObject(rclsid, riid, ppv);
}

TARN_EXPORT DllCanUnloadNow() { return tarn::component::CanUnloadNow(); }

TARN_EXPORT DllRegisterServer() { return tarn::component::RegisterServer(); }

TARN_EXPORT DllUnregisterServer() { return tarn::component::UnregisterServer(); }

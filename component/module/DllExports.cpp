// The four entry points of an in-process server module, over its ModuleEntries.h.
#include "compat/compat.h"
#include "component/module/ModuleEntries.h"

#ifdef _WIN32
#define TARN_EXPORT STDAPI
#else
#define TARN_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT
#endif

TARN_EXPORT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return tarn::module::GetClassObject(rclsid, riid, ppv);
}

TARN_EXPORT DllCanUnloadNow() { return tarn::module::CanUnloadNow(); }

TARN_EXPORT DllRegisterServer() { return tarn::module::RegisterServer(); }

TARN_EXPORT DllUnregisterServer() { return tarn::module::UnregisterServer(); }

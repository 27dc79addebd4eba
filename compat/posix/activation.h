// Creating objects by CLSID, with the Windows names, signatures and results.
//
// CoCreateInstance looks first at the class objects registered in this process, then at the
// registry store (registry.h): the default value of HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32
// names a shared library, which is loaded once per path (dlopen), asked through its exported
// DllGetClassObject, and kept loaded. In-process only: registrations and requests without
// CLSCTX_INPROC_SERVER find nothing. Registered class objects serve every thread of the process
// (there is no marshalling here). The apartment calls keep a per-thread count only: activation
// does not require them.
#pragma once

#include "compat/posix/interfaces.h"

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

#define CLSCTX_INPROC_SERVER 0x1
// In-process server and handler, local and remote server: only the first exists here.
#define CLSCTX_ALL 0x17

#define REGCLS_MULTIPLEUSE 1

// S_OK the first time on a thread, S_FALSE again with the same model, RPC_E_CHANGED_MODE with
// the other one; each success wants its CoUninitialize.
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();

// Holds a reference to pUnk until CoRevokeClassObject; the flags make no difference here.
HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                              LPDWORD lpdwRegister);
HRESULT CoRevokeClassObject(DWORD dwRegister);
// REGDB_E_CLASSNOTREG without a registration; HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) when the
// module does not load; CO_E_ERRORINDLL when it exports no DllGetClassObject.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
// Puts an object into the running state. In-process objects run once they exist, so this only
// checks the pointer (E_INVALIDARG for none) and answers S_OK, as Windows does for objects
// without IRunnableObject.
HRESULT OleRun(LPUNKNOWN pUnknown);

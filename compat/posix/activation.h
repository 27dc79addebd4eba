// Creating objects by CLSID, with the Windows names, signatures and results.
//
// CoGetClassObject looks first at the class objects registered in this process, then at the
// registry store (registry.h): the default value of HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32
// names a shared library, which is loaded once per path (dlopen), asked through its exported
// DllGetClassObject, and kept loaded until CoFreeUnusedLibraries finds that its DllCanUnloadNow
// says S_OK. Registered class objects serve every thread of the process (there is no
// marshalling here); REGCLS_SINGLEUSE is served like REGCLS_MULTIPLEUSE. The apartment calls
// keep a per-thread count only: activation does not require them.
#pragma once

#include "compat/posix/interfaces.h"

typedef CLSID* LPCLSID;

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_DISABLE_OLE1DDE 0x4
#define COINIT_SPEED_OVER_MEMORY 0x8

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#define REGCLS_SINGLEUSE 0
#define REGCLS_MULTIPLEUSE 1
#define REGCLS_MULTI_SEPARATE 2
#define REGCLS_SUSPENDED 4

// S_OK the first time on a thread, S_FALSE again with the same model, RPC_E_CHANGED_MODE with
// the other one; each success wants its CoUninitialize.
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();

// Holds a reference to pUnk until CoRevokeClassObject. A class registered for
// CLSCTX_LOCAL_SERVER with REGCLS_MULTIPLEUSE serves in-process requests too, as on Windows.
HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                              LPDWORD lpdwRegister);
HRESULT CoRevokeClassObject(DWORD dwRegister);
// REGDB_E_CLASSNOTREG without a registration; HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) when the
// module does not load; CO_E_ERRORINDLL when it exports no DllGetClassObject.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
void CoFreeUnusedLibraries();

// The default value of HKEY_CLASSES_ROOT\<ProgID>\CLSID; CO_E_CLASSSTRING for an unknown ProgID.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (either case); null gives GUID_NULL.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
// The braced upper-case form and its NUL: 39 characters, or 0 when cchMax is smaller.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);

// What each in-process server module of the project defines and DllExports.cpp exports: the
// tarn component (TarnEntries.cpp) and the .REC file server (component/recimport).
#pragma once

#include "compat/compat.h"

namespace tarn::module {

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
HRESULT CanUnloadNow();
HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace tarn::module

// The module's lock count: one per live component object and per IClassFactory::LockServer(TRUE).
// The host may unload the module when it is 0 (DllCanUnloadNow).
#pragma once

#include "compat/compat.h"

namespace tarn::com {

class Module {
public:
    static void Lock();
    static void Unlock();
    static LONG LockCount();
    // DllCanUnloadNow: S_OK at a lock count of 0, else S_FALSE.
    static HRESULT CanUnloadNow();
};

}  // namespace tarn::com

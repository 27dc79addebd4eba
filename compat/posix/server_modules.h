// In-process servers loaded for activation: one dlopen handle per path, kept until the module
// says it may go. Not part of the port surface.
#pragma once

#include "compat/posix/com.h"

#include <map>
#include <mutex>
#include <string>

namespace tarn::compat {

class ServerModules {
public:
    static ServerModules& Instance();

    // The module's DllGetClassObject for the class, loading the module on first use.
    HRESULT GetClassObject(const std::string& path, REFCLSID rclsid, REFIID riid, LPVOID* ppv);
    // Unloads every module whose DllCanUnloadNow answers S_OK while no call into it runs.
    void FreeUnused();

private:
    using GetClassObjectEntry = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
    using CanUnloadNowEntry = HRESULT (*)();

    struct Module {
        void* m_Handle;
        GetClassObjectEntry m_GetClassObject;
        CanUnloadNowEntry m_CanUnloadNow;   // null: never unloaded
        unsigned m_Calls;                   // calls into the module under way
    };

    // Recursive: a module's DllCanUnloadNow runs under it and may itself activate.
    std::recursive_mutex m_Mutex;
    std::map<std::string, Module> m_Modules;
};

}  // namespace tarn::compat

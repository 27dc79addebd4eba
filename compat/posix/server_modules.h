// In-process servers loaded for activation: one dlopen handle per path, kept for the life of the
// process. Not part of the port surface.
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

private:
    using GetClassObjectEntry = HRESULT (*)(REFCLSID, REFIID, LPVOID*);

    std::mutex m_Mutex;
    std::map<std::string, GetClassObjectEntry> m_Modules;
};

}  // namespace tarn::compat

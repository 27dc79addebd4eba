#include "compat/posix/server_modules.h"

#include <dlfcn.h>

namespace tarn::compat {

ServerModules& ServerModules::Instance() {
    // Never destroyed: class objects of loaded modules may outlive static destruction.
    static ServerModules* modules = new ServerModules;
    return *modules;
}

HRESULT ServerModules::GetClassObject(const std::string& path, REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    GetClassObjectEntry entry = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        auto found = m_Modules.find(path);
        if (found == m_Modules.end()) {
            // An empty name would open the executable itself.
            void* handle = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
            const auto getClassObject = reinterpret_cast<GetClassObjectEntry>(::dlsym(handle, "DllGetClassObject"));
            if (!getClassObject) {
                ::dlclose(handle);
                return CO_E_ERRORINDLL;
            }
            found = m_Modules.emplace(path, getClassObject).first;
        }
        entry = found->second;
    }
    // Without the lock: the module may activate other classes from here.
    return entry(rclsid, riid, ppv);
}

}  // namespace tarn::compat

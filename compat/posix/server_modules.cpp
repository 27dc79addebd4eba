#include "compat/posix/server_modules.h"

#include <dlfcn.h>

#include <new>
#include <vector>

namespace tarn::compat {

namespace {

template <typename Entry>
Entry Export(void* handle, const char* name) {
    return reinterpret_cast<Entry>(::dlsym(handle, name));
}

}  // namespace

ServerModules& ServerModules::Instance() {
    // Never destroyed: class objects of loaded modules may outlive static destruction.
    static ServerModules* modules = new ServerModules;
    return *modules;
}

HRESULT ServerModules::GetClassObject(const std::string& path, REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    GetClassObjectEntry entry = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(m_Mutex);
        auto found = m_Modules.find(path);
        if (found == m_Modules.end()) {
            // An empty name would open the executable itself.
            void* handle = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
            const auto getClassObject = Export<GetClassObjectEntry>(handle, "DllGetClassObject");
            if (!getClassObject) {
                ::dlclose(handle);
                return CO_E_ERRORINDLL;
            }
            const Module module{handle, getClassObject, Export<CanUnloadNowEntry>(handle, "DllCanUnloadNow"), 0};
            found = m_Modules.emplace(path, module).first;
        }
        ++found->second.m_Calls;
        entry = found->second.m_GetClassObject;
    }
    // Without the lock: the module may activate other classes from here.
    const HRESULT hr = entry(rclsid, riid, ppv);
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    --m_Modules.at(path).m_Calls;   // a module with calls under way is never removed
    return hr;
}

void ServerModules::FreeUnused() {
    std::vector<void*> unloading;
    try {
        std::lock_guard<std::recursive_mutex> lock(m_Mutex);
        for (auto it = m_Modules.begin(); it != m_Modules.end();) {
            Module& module = it->second;
            if (module.m_Calls != 0 || !module.m_CanUnloadNow) {
                ++it;
                continue;
            }
            // Counted as a call, so that a nested FreeUnused leaves this one alone.
            ++module.m_Calls;
            const bool unload = module.m_CanUnloadNow() == S_OK;
            --module.m_Calls;
            if (!unload || module.m_Calls != 0) {
                ++it;
                continue;
            }
            unloading.push_back(module.m_Handle);
            it = m_Modules.erase(it);
        }
    } catch (const std::bad_alloc&) {
        // What was collected is still unloaded; the rest stays loaded.
    }
    for (void* handle : unloading) ::dlclose(handle);
}

}  // namespace tarn::compat

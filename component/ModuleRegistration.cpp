#include "component/ModuleRegistration.h"

#include "component/Registrar.h"
#include "platform/platform.h"

#include <vector>

namespace tarn::component {

namespace {

HRESULT RegisterTypeLibrary(const std::u16string& modulePath) {
#ifdef _WIN32
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(reinterpret_cast<LPCOLESTR>(modulePath.c_str()), REGKIND_REGISTER, &library);
    if (library) library->Release();
    return hr;
#else
    (void)modulePath;
    return S_OK;
#endif
}

HRESULT UnregisterTypeLibrary(const TypeLibraryId& id) {
#ifdef _WIN32
    HRESULT hr = UnRegisterTypeLib(id.libid, id.majorVersion, id.minorVersion, id.locale, SYS_WIN64);
    // Already gone is what was asked for.
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
#else
    (void)id;
    return S_OK;
#endif
}

Registrar ModuleRegistrar() {
    Registrar registrar;
    registrar.AddReplacement(u"MODULE", ModulePath());
    return registrar;
}

}  // namespace

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::u16string ModulePath() {
    const HMODULE module = ThisModule();
    if (module == nullptr) return {};
    // Paths can exceed MAX_PATH: grow until the name fits.
    std::vector<OLECHAR> buffer(260);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, reinterpret_cast<LPWSTR>(buffer.data()),
                                                static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::u16string(buffer.data(), buffer.data() + length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

HRESULT RegisterModule(std::string_view script, const TypeLibraryId* typeLibrary) {
    const std::u16string path = ModulePath();
    if (path.empty()) return E_FAIL;
    HRESULT hr = ModuleRegistrar().Register(platform::AnsiToWide(script));
    if (SUCCEEDED(hr) && typeLibrary != nullptr) hr = RegisterTypeLibrary(path);
    return hr;
}

HRESULT UnregisterModule(std::string_view script, const TypeLibraryId* typeLibrary) {
    HRESULT hr = ModuleRegistrar().Unregister(platform::AnsiToWide(script));
    if (SUCCEEDED(hr) && typeLibrary != nullptr) hr = UnregisterTypeLibrary(*typeLibrary);
    return hr;
}

}  // namespace tarn::component

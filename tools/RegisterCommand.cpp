// tarn regsvr [-u] MODULE: registers an in-process server module (or removes its registration)
// by calling its DllRegisterServer (DllUnregisterServer), as regsvr32 does on Windows. Where no
// such program exists, this is how libtarn is registered.
#include <cstdio>
#include <string>

#include "compat/compat.h"
#include "platform/platform.h"
#include "tools/Command.h"

namespace tarn::tool {

int RegisterCommand(const Arguments& args) {
    const bool unregister = args.size() == 2 && (args[0] == "-u" || args[0] == "/u");
    if (args.size() != 1 && !unregister) return kExitUsage;
    const std::string& path = args.back();
    const std::u16string widePath = platform::FileNameToWide(path);
    HMODULE module = LoadLibraryW(reinterpret_cast<LPCWSTR>(widePath.c_str()));
    if (module == nullptr) {
        std::fprintf(stderr, "tarn: cannot load %s\n", path.c_str());
        return kExitFailure;
    }
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    using Entry = HRESULT(STDMETHODCALLTYPE*)();
    // Through a function pointer type that any other converts to without complaint.
    const auto entry = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    if (entry == nullptr) {
        std::fprintf(stderr, "tarn: %s has no %s\n", path.c_str(), name);
        FreeLibrary(module);
        return kExitFailure;
    }
    const HRESULT hr = entry();
    FreeLibrary(module);
    if (FAILED(hr)) {
        std::fprintf(stderr, "tarn: %s of %s failed: 0x%08lX\n", name, path.c_str(), static_cast<unsigned long>(hr));
        return kExitFailure;
    }
    std::printf("%s: %s succeeded\n", path.c_str(), name);
    return kExitOk;
}

}  // namespace tarn::tool

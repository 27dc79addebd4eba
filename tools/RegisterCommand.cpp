// tarn regsvr [-u] MODULE: registers an in-process server module (or removes its registration)
// by calling its DllRegisterServer (DllUnregisterServer), as regsvr32 does on Windows. Where no
// such program exists, this is how libtarn is registered.
#include <cstdio>
#include <string>

#include "compat/compat.h"
#include "component/client/ComponentRecording.h"
#include "platform/platform.h"
#include "tools/Command.h"

namespace tarn::tool {

namespace {

struct RegisterOptions {
    std::string path;
    bool unregister = false;
};

int RegisterCommand(const RegisterOptions& options) {
    const std::string& path = options.path;
    const bool unregister = options.unregister;
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
        std::fprintf(stderr, "tarn: %s of %s failed: %s\n", name, path.c_str(), StatusText(hr).c_str());
        return kExitFailure;
    }
    std::printf("%s: %s succeeded\n", path.c_str(), name);
    return kExitOk;
}

}  // namespace

void AddRegisterCommand(CLI::App& tool) {
    const auto [command, options] = AddCommand(
        tool, "regsvr", "Register an in-process server module, as regsvr32 does",
        "Calls the module's DllRegisterServer (DllUnregisterServer with -u). On POSIX the keys go into\n"
        "the registry store: $TARN_REGISTRY, else ~/.config/tarn/registry.",
        RegisterCommand);
    command->add_flag("-u", options->unregister, "Remove its registration (DllUnregisterServer)");
    command->add_option("MODULE", options->path, "The module: libtarn.so, librecimport.so, tarn.dll, ...")->required();
}

}  // namespace tarn::tool

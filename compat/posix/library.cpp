#include "compat/posix/library.h"

#include <dlfcn.h>

#include <string>

#include "platform/platform.h"

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    if (lpLibFileName == nullptr) return nullptr;
    const std::string path = tarn::platform::FileNameFromWide(std::u16string_view(lpLibFileName));
    return static_cast<HMODULE>(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (hModule == nullptr || lpProcName == nullptr) return nullptr;
    return reinterpret_cast<FARPROC>(::dlsym(hModule, lpProcName));
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) { return hLibModule != nullptr && ::dlclose(hLibModule) == 0; }

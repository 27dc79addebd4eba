// Modules: an HMODULE is the address where a loaded object (the executable or a shared library)
// begins, as dladdr reports it; its file is the mapping that starts there.
#include "compat/posix/com.h"

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/platform.h"

namespace {

// The file mapped at base, from the process's own memory map: always an absolute path, also
// for a library that was loaded by a relative name.
bool MappedFile(const void* base, std::string& path) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        char* end = nullptr;
        const unsigned long long start = std::strtoull(line.c_str(), &end, 16);
        if (start != reinterpret_cast<std::uintptr_t>(base) || *end != '-') continue;
        // start-end perms offset device inode path
        std::size_t at = 0;
        for (int field = 0; field < 5 && at != std::string::npos; ++field) {
            at = line.find(' ', at);
            if (at != std::string::npos) at = line.find_first_not_of(' ', at);
        }
        if (at == std::string::npos || line[at] != '/') return false;
        path = line.substr(at);
        return true;
    }
    return false;
}

bool ModulePath(HMODULE module, std::string& path) {
    Dl_info info{};
    if (!::dladdr(module, &info) || info.dli_fbase != module) return false;
    if (MappedFile(module, path)) return true;
    char* resolved = info.dli_fname ? ::realpath(info.dli_fname, nullptr) : nullptr;
    if (!resolved) return false;
    path = resolved;
    std::free(resolved);
    return true;
}

}  // namespace

BOOL WINAPI GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule) {
    if (!phModule || !(dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) return FALSE;
    *phModule = nullptr;
    Dl_info info{};
    if (!::dladdr(static_cast<const void*>(lpModuleName), &info) || !info.dli_fbase) return FALSE;
    *phModule = static_cast<HMODULE>(info.dli_fbase);
    return TRUE;
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    std::string path;
    if (!ModulePath(hModule, path) || (!lpFilename && nSize != 0)) return 0;
    const std::u16string wide = tarn::platform::FileNameToWide(path);
    if (wide.size() < nSize) {
        wide.copy(lpFilename, wide.size());
        lpFilename[wide.size()] = 0;
        return static_cast<DWORD>(wide.size());
    }
    if (nSize != 0) {
        wide.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = 0;
    }
    return nSize;
}

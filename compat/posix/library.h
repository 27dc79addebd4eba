// Loading a module at run time: LoadLibraryW, GetProcAddress and FreeLibrary over dlopen,
// dlsym and dlclose. The module handle is the dlopen handle (not the module's base address as
// GetModuleHandleExW gives it), so only these three take it.
#pragma once

#include "compat/posix/window.h"

typedef INT_PTR(WINAPI* FARPROC)();

// A module by its path (UTF-16, converted to the file-name encoding); nullptr when it cannot
// be loaded. Loading a module twice counts it twice.
HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
// An exported function by name; nullptr when the module has none.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL WINAPI FreeLibrary(HMODULE hLibModule);

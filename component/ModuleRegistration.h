// DllRegisterServer and DllUnregisterServer of the module that holds this code: the registry
// script component/tarn.rgs, with %MODULE% the module's full path, then (on Windows) the type
// library from the module's TYPELIB resource. Where no type libraries exist, the script alone.
#pragma once

#include "compat/compat.h"

#include <string>

namespace tarn::component {

HRESULT RegisterServer();
HRESULT UnregisterServer();

// The registry script as the module carries it.
std::u16string RegistryScript();
// The module that holds this code (window classes and registration belong to it).
HMODULE ThisModule();
// Its full path.
std::u16string ModulePath();

}  // namespace tarn::component

// DllRegisterServer and DllUnregisterServer of a module that holds this code: its registry
// script (component/Registrar.h), with %MODULE% the module's full path, then (on Windows) the
// type library from the module's TYPELIB resource when it has one. Where no type libraries
// exist, the script alone.
#pragma once

#include "compat/compat.h"

#include <string>
#include <string_view>

namespace tarn::component {

// The type library a module carries as its TYPELIB resource.
struct TypeLibraryId {
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID locale;
};

// script: the module's registry script (ASCII text). typeLibrary: nullptr for a module
// without one. The first failure is returned, else S_OK.
HRESULT RegisterModule(std::string_view script, const TypeLibraryId* typeLibrary);
HRESULT UnregisterModule(std::string_view script, const TypeLibraryId* typeLibrary);

// The module that holds this code (window classes and registration belong to it).
HMODULE ThisModule();
// Its full path.
std::u16string ModulePath();

}  // namespace tarn::component

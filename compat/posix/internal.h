// Helpers shared by the POSIX implementation files; not part of the port surface.
#pragma once

#include "compat/posix/com.h"

namespace compat {

// Bytes that one value of a base type (no VT_ARRAY/VT_BYREF bits) takes in an array element or
// behind a VT_BYREF pointer; 0 for types this implementation does not store.
UINT ValueSize(VARTYPE base);

// A VARTYPE that Windows accepts in a VARIANT (the base type and the VT_ARRAY/VT_BYREF bits).
bool IsValidVariantType(VARTYPE vt);

// A copy with the same byte length (odd ones too); null stays null. False when out of memory.
bool CopyBstr(BSTR source, BSTR& copy);

}  // namespace compat

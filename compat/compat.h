// The COM and OLE Automation ABI that the component is made of.
// Windows: the SDK headers, nothing added. POSIX: compat/posix/, a small implementation of exactly
// the subset the component calls, with the Windows names, signatures and layouts (OLECHAR is
// char16_t there). A port provides everything compat/posix/com.h declares.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <ocidl.h>
#else
#include "compat/posix/com.h"
#endif

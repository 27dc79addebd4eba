// The COM / OLE Automation subset that the component is written against, for systems without it.
//
// A port provides exactly what these headers declare, with the Windows names, signatures, data
// layouts and results, so that the component is one source for both builds:
//   types.h       base types with Windows widths (LONG, ULONG, DWORD: 32 bits), HRESULT and its
//                 codes, GUID/IID/CLSID with IsEqualGUID and ==, GUID_NULL, IID_IUnknown,
//                 IID_IDispatch, DEFINE_GUID, STDMETHOD and friends, LOCALE_* ids; OLECHAR is
//                 char16_t and OLESTR("x") is u"x".
//   interfaces.h  IUnknown and IDispatch in Windows vtable order, DISPPARAMS, EXCEPINFO, the
//                 DISPATCH_* flags and DISPIDs.
//   server.h      IClassFactory, the connection-point interfaces and their enumerators,
//                 CONNECTDATA, and their IIDs.
//   automation.h  the task allocator (CoTaskMem*), BSTR (Sys*), VARIANT (VariantInit, Clear,
//                 Copy, ChangeType(Ex) between the integer, real, boolean and text types),
//                 VarR8FromStr, and one-dimensional SAFEARRAYs of fixed-size values.
//   window.h      hidden windows over per-thread message queues (classes, windows, posting,
//                 PeekMessageW/DispatchMessageW, MsgWaitForMultipleObjects), the thread id,
//                 module handles and file names.
//   registry.h    the registry calls of registration, over a store file shared by processes.
//   activation.h  CoInitializeEx, class-object registration, and CoCreateInstance through the
//                 registry store and dlopen.
//   library.h     LoadLibraryW, GetProcAddress and FreeLibrary.
// The implementation (compat/posix/*.cpp) uses the C++ standard library, POSIX and, for the
// user's decimal separator, tick count and file-name text, platform/. What the component does
// not call is not here; each header says what it leaves out. tests/compat runs the same cases
// against this and against Windows.
#pragma once

#include "compat/posix/types.h"
#include "compat/posix/interfaces.h"
#include "compat/posix/automation.h"
#include "compat/posix/server.h"
#include "compat/posix/window.h"
#include "compat/posix/registry.h"
#include "compat/posix/activation.h"
#include "compat/posix/library.h"

// OLE Automation data: BSTR, VARIANT, one-dimensional SAFEARRAY, the task allocator and the
// locale-aware conversions, with the Windows layouts, names, signatures and results.
// Where the Windows headers the cross build compiles against (mingw-w64) take a non-const
// pointer, so do these, so that code which compiles here compiles there.
#pragma once

#include "compat/posix/interfaces.h"

// ---- Task allocator ---------------------------------------------------------------------------
// A size of 0 still gives a valid block.
LPVOID CoTaskMemAlloc(SIZE_T cb);
void CoTaskMemFree(LPVOID pv);

// ---- BSTR -------------------------------------------------------------------------------------
// A 32-bit byte length lies just before the text, and the text is followed by a NUL character.
// A null BSTR is the empty string to every function here. Lengths whose byte count does not fit
// the 32-bit prefix give nullptr.
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);   // strIn null: ui zeroed characters
void SysFreeString(BSTR bstrString);
UINT SysStringLen(BSTR pbstr);

// ---- VARIANT ----------------------------------------------------------------------------------
enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VECTOR = 0x1000,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_TYPEMASK = 0x0FFF
};

union CY {
    struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};

struct SAFEARRAY;
struct IRecordInfo;

struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        tagVARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        struct {
            PVOID pvRecord;
            IRecordInfo* pRecInfo;
        };
    };
};
typedef tagVARIANT VARIANT;
typedef tagVARIANT VARIANTARG;

#define V_VT(X) ((X)->vt)
#define V_UNION(X, Y) ((X)->Y)
#define V_UI1(X) V_UNION(X, bVal)
#define V_I4(X) V_UNION(X, lVal)
#define V_I4REF(X) V_UNION(X, plVal)
#define V_UI4(X) V_UNION(X, ulVal)
#define V_I8(X) V_UNION(X, llVal)
#define V_R4(X) V_UNION(X, fltVal)
#define V_R8(X) V_UNION(X, dblVal)
#define V_BOOL(X) V_UNION(X, boolVal)
#define V_BSTR(X) V_UNION(X, bstrVal)
#define V_BSTRREF(X) V_UNION(X, pbstrVal)
#define V_UNKNOWN(X) V_UNION(X, punkVal)
#define V_DISPATCH(X) V_UNION(X, pdispVal)
#define V_ARRAY(X) V_UNION(X, parray)
#define V_BYREF(X) V_UNION(X, byref)
#define V_VARIANTREF(X) V_UNION(X, pvarVal)

void VariantInit(VARIANTARG* pvarg);
// Frees a BSTR, releases an interface, destroys an array; a VT_BYREF target is left alone.
HRESULT VariantClear(VARIANTARG* pvarg);
// Clears the destination first; copies BSTRs and arrays, AddRefs interfaces.
HRESULT VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc);
// Conversions to the types the component takes (VT_UI1, VT_I4, VT_UI4, VT_R8, VT_BOOL, VT_BSTR)
// from VT_EMPTY, VT_I1, VT_I2, VT_I4, VT_I8, VT_INT, VT_UI1, VT_UI2, VT_UI4, VT_UINT, VT_R4,
// VT_R8, VT_BOOL and VT_BSTR (VT_BYREF sources are read through), and to the source's own type;
// others give DISP_E_TYPEMISMATCH here. The source may be the destination. On failure the
// destination is unchanged. No flags are known here (VT_BOOL to text gives "-1"/"0").
HRESULT VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt);

// Text to number with the locale's decimal and thousands separators. The whole text must be one
// number: blanks around it, a sign before or after it (or parentheses), thousands separators
// after its first digit, one decimal separator, an exponent, or "&H"/"&O" with a 32-bit hex or
// octal value. DISP_E_TYPEMISMATCH for anything else, DISP_E_OVERFLOW out of range; integers
// round half to even. LCIDs known here: 0x0409, 0x0809, 0x007F ('.'), 0x0407 (','), 0x040C
// (',' with blank thousands); any other LCID uses the user's decimal separator.
HRESULT VarR8FromStr(OLECHAR* strIn, LCID lcid, ULONG dwFlags, DOUBLE* pdblOut);

// ---- SAFEARRAY (one dimension) ------------------------------------------------------------------
struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};

// Element types here: the fixed-size ones (VT_I1, VT_I2, VT_I4, VT_I8, VT_INT, VT_UI1, VT_UI2,
// VT_UI4, VT_UI8, VT_UINT, VT_R4, VT_R8, VT_BOOL, VT_ERROR, VT_CY, VT_DATE); nullptr for anything
// else, and when the data would exceed 4 GiB.
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
HRESULT SafeArrayDestroy(SAFEARRAY* psa);               // DISP_E_ARRAYISLOCKED while accessed
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);           // E_UNEXPECTED when not accessed
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);

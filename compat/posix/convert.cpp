// VariantChangeType(Ex) and VarR8FromStr.
#include "compat/posix/internal.h"
#include "compat/posix/number_text.h"
#include "platform/Ascii.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// A by-value source reduced to what the conversions start from.
struct Source {
    enum class Kind { Empty, Integer, Real, Boolean, Text, Other };
    Kind m_Kind = Kind::Other;
    long long m_Integer = 0;   // Integer, and the raw value of a Boolean
    double m_Real = 0.0;
    bool m_Single = false;     // a VT_R4, shown with fewer digits
    BSTR m_Text = nullptr;
};

Source Classify(const VARIANT& value) {
    Source source;
    using Kind = Source::Kind;
    auto integer = [&source](long long v) {
        source.m_Kind = Kind::Integer;
        source.m_Integer = v;
    };
    auto real = [&source](double v, bool single) {
        source.m_Kind = Kind::Real;
        source.m_Real = v;
        source.m_Single = single;
    };
    switch (value.vt) {
    case VT_EMPTY: source.m_Kind = Kind::Empty; break;
    case VT_I1: integer(static_cast<signed char>(value.cVal)); break;
    case VT_UI1: integer(value.bVal); break;
    case VT_I2: integer(value.iVal); break;
    case VT_UI2: integer(value.uiVal); break;
    case VT_I4: integer(value.lVal); break;
    case VT_INT: integer(value.intVal); break;
    case VT_UI4: integer(value.ulVal); break;
    case VT_UINT: integer(value.uintVal); break;
    case VT_I8: integer(value.llVal); break;
    case VT_BOOL:
        source.m_Kind = Kind::Boolean;
        source.m_Integer = value.boolVal;
        break;
    case VT_R4: real(value.fltVal, true); break;
    case VT_R8: real(value.dblVal, false); break;
    case VT_BSTR:
        source.m_Kind = Kind::Text;
        source.m_Text = value.bstrVal;
        break;
    default: break;
    }
    return source;
}

// The value a VT_BYREF source points at, as a by-value VARIANT that owns nothing.
HRESULT Dereference(const VARIANT& source, VARIANT& value) {
    value = source;
    if (source.vt == (VT_BYREF | VT_VARIANT)) {
        if (!source.pvarVal) return E_INVALIDARG;
        value = *source.pvarVal;
    }
    if (!(value.vt & VT_BYREF)) return S_OK;
    const VARTYPE base = value.vt & ~VT_BYREF;
    const UINT size = tarn::compat::ValueSize(base);
    if (size == 0 || base == VT_VARIANT) return DISP_E_TYPEMISMATCH;
    if (!value.byref) return E_INVALIDARG;
    const void* target = value.byref;
    value.vt = base;
    std::memcpy(&value.llVal, target, size);   // every union member starts at the same place
    return S_OK;
}

HRESULT ToReal(const Source& source, LCID lcid, double& result) {
    using Kind = Source::Kind;
    switch (source.m_Kind) {
    case Kind::Empty: result = 0.0; return S_OK;
    case Kind::Integer:
    case Kind::Boolean: result = double(source.m_Integer); return S_OK;
    case Kind::Real: result = source.m_Real; return S_OK;
    case Kind::Text:
        return tarn::compat::ParseNumber(source.m_Text ? source.m_Text : u"", tarn::compat::SeparatorsFor(lcid), result);
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT ToInteger(const Source& source, LCID lcid, long long lowest, long long highest, long long& result) {
    if (source.m_Kind == Source::Kind::Boolean) {   // no range check: VARIANT_TRUE is 255 as VT_UI1
        result = source.m_Integer;
        return S_OK;
    }
    if (source.m_Kind == Source::Kind::Integer) {
        if (source.m_Integer < lowest || source.m_Integer > highest) return DISP_E_OVERFLOW;
        result = source.m_Integer;
        return S_OK;
    }
    double real = 0.0;
    const HRESULT hr = ToReal(source, lcid, real);
    return FAILED(hr) ? hr : tarn::compat::RoundToInteger(real, lowest, highest, result);
}

bool IsWord(BSTR text, const char* word) {
    if (!text) return false;
    for (; *word; ++word, ++text) {
        if (tarn::platform::UpperAscii(*text) != char16_t(*word)) return false;
    }
    return *text == 0;
}

HRESULT ToBoolean(const Source& source, LCID lcid, VARIANT_BOOL& result) {
    if (source.m_Kind == Source::Kind::Boolean) {
        result = static_cast<VARIANT_BOOL>(source.m_Integer);
        return S_OK;
    }
    if (source.m_Kind == Source::Kind::Text) {
        const bool yes = IsWord(source.m_Text, "TRUE") || IsWord(source.m_Text, "#TRUE#");
        if (yes || IsWord(source.m_Text, "FALSE") || IsWord(source.m_Text, "#FALSE#")) {
            result = yes ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    double real = 0.0;
    const HRESULT hr = ToReal(source, lcid, real);
    if (SUCCEEDED(hr)) result = real != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

HRESULT ToText(const Source& source, LCID lcid, BSTR& result) {
    using Kind = Source::Kind;
    std::u16string text;
    switch (source.m_Kind) {
    case Kind::Empty: break;
    case Kind::Integer:
    case Kind::Boolean: text = tarn::compat::FormatInteger(source.m_Integer); break;
    case Kind::Real:
        text = tarn::compat::FormatReal(source.m_Real, source.m_Single ? 7 : 15, tarn::compat::SeparatorsFor(lcid).m_Decimal);
        break;
    case Kind::Text: return tarn::compat::CopyBstr(source.m_Text, result) ? S_OK : E_OUTOFMEMORY;
    default: return DISP_E_TYPEMISMATCH;
    }
    result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return result ? S_OK : E_OUTOFMEMORY;
}

struct IntegerTarget {
    VARTYPE m_Type;
    long long m_Lowest;
    long long m_Highest;
};

constexpr IntegerTarget kIntegerTargets[] = {
    {VT_UI1, 0, UCHAR_MAX}, {VT_I4, INT32_MIN, INT32_MAX}, {VT_UI4, 0, UINT32_MAX}};

// Stores the low bytes of value in a VARIANT of an integer type (a Boolean's -1 wraps).
void StoreInteger(VARIANT& result, VARTYPE vt, long long value) {
    switch (tarn::compat::ValueSize(vt)) {
    case 1: result.bVal = static_cast<BYTE>(value); break;
    case 2: result.uiVal = static_cast<USHORT>(value); break;
    case 4: result.ulVal = static_cast<ULONG>(value); break;
    default: result.llVal = value; break;
    }
}

const IntegerTarget* FindIntegerTarget(VARTYPE vt) {
    for (const IntegerTarget& target : kIntegerTargets)
        if (target.m_Type == vt) return &target;
    return nullptr;
}

HRESULT Convert(VARIANT& value, LCID lcid, VARTYPE vt, VARIANT& result) {
    if (value.vt == vt) return VariantCopy(&result, &value);
    const Source source = Classify(value);
    HRESULT hr = DISP_E_TYPEMISMATCH;
    if (const IntegerTarget* target = FindIntegerTarget(vt)) {
        long long integer = 0;
        hr = ToInteger(source, lcid, target->m_Lowest, target->m_Highest, integer);
        StoreInteger(result, vt, integer);
    } else if (vt == VT_R8) {
        hr = ToReal(source, lcid, result.dblVal);
    } else if (vt == VT_BOOL) {
        hr = ToBoolean(source, lcid, result.boolVal);
    } else if (vt == VT_BSTR) {
        hr = ToText(source, lcid, result.bstrVal);
    }
    if (SUCCEEDED(hr)) result.vt = vt;
    return hr;
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, LCID lcid, USHORT, VARTYPE vt) {
    if (!pvargDest || !pvarSrc) return E_INVALIDARG;
    if (!tarn::compat::IsValidVariantType(vt) || !tarn::compat::IsValidVariantType(pvarSrc->vt)) return DISP_E_BADVARTYPE;
    VARIANT value;
    HRESULT hr = Dereference(*pvarSrc, value);
    if (FAILED(hr)) return hr;
    // Converted aside first: the source may be the destination, and a failure leaves it alone.
    VARIANT result;
    VariantInit(&result);
    hr = Convert(value, lcid, vt, result);
    if (FAILED(hr)) return hr;
    hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *pvargDest = result;
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}

HRESULT VarR8FromStr(OLECHAR* strIn, LCID lcid, ULONG /*dwFlags*/, DOUBLE* pdblOut) {
    if (!strIn || !pdblOut) return E_INVALIDARG;
    double value = 0.0;
    const HRESULT hr = tarn::compat::ParseNumber(strIn, tarn::compat::SeparatorsFor(lcid), value);
    if (SUCCEEDED(hr)) *pdblOut = value;
    return hr;
}

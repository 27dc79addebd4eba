// Late binding from a member table: the names, DISPIDs and kinds of an interface's members, each
// with the function that unpacks DISPPARAMS, calls the member through the vtable and packs its
// result. One table per interface serves GetIDsOfNames and Invoke alike, and tests compare it
// with the IDL and the type library.
//
// A table lists each member once, in vtable order:
//     Member<&IFoo::get_Name, 0>("Name", 1, DISPATCH_PROPERTYGET)
// where the number counts the member's [in] parameters; parameters after them are [out], and
// the last of those is the [out, retval]. Arguments arrive in DISPPARAMS order (last first) and
// are converted with VariantChangeType; an [out] argument must be VT_BYREF of its exact type.
// Members with pointer arguments that have no automation type (short**, BYTE* as [in]) keep
// their names and DISPIDs but answer DISP_E_BADVARTYPE: they are for vtable clients.
#pragma once

#include "compat/compat.h"

#include <cstddef>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

namespace tarn::com {

struct DispatchMember {
    const char* name;   // ASCII; matched without regard to case
    DISPID dispid;
    WORD kind;          // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
    UINT params;        // all parameters, [out, retval] included
    UINT inParams;      // the leading [in] parameters
    bool retval;        // the last parameter is [out, retval]
    HRESULT (*invoke)(IDispatch* self, DISPPARAMS* args, VARIANT* result, UINT* argErr);
    std::size_t (*vtableSlot)();   // slot of the member in its interface's vtable
};

class MemberTable {
public:
    template <std::size_t N>
    explicit MemberTable(const DispatchMember (&members)[N]) : m_Members(members), m_Count(N) {}

    const DispatchMember* begin() const { return m_Members; }
    const DispatchMember* end() const { return m_Members + m_Count; }

    // IDispatch::GetIDsOfNames: the member's DISPID for names[0]; parameter names are unknown.
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) const;
    // IDispatch::Invoke on self, the interface this table describes.
    HRESULT Invoke(IDispatch* self, DISPID dispid, REFIID riid, WORD flags, DISPPARAMS* args,
                   VARIANT* result, UINT* argErr) const;

private:
    const DispatchMember* Find(DISPID dispid, WORD flags) const;

    const DispatchMember* m_Members;
    std::size_t m_Count;
};

namespace Detail {

// ---- Automation types of arguments and results ------------------------------------------------
template <class T, class = void>
struct Automation {
    static constexpr bool supported = false;
};

template <class T, VARTYPE Vt>
struct ScalarAutomation {
    static constexpr bool supported = true;
    static constexpr VARTYPE vt = Vt;
    static void Init(T& value) { value = T(); }
    static void Discard(T&) {}
};

template <>
struct Automation<LONG> : ScalarAutomation<LONG, VT_I4> {
    static LONG Read(VARIANT& v) { return V_I4(&v); }
    static void Store(VARIANT* v, LONG& value) { V_I4(v) = value; }
};
template <>
struct Automation<ULONG> : ScalarAutomation<ULONG, VT_UI4> {
    static ULONG Read(VARIANT& v) { return V_UI4(&v); }
    static void Store(VARIANT* v, ULONG& value) { V_UI4(v) = value; }
};
template <>
struct Automation<double> : ScalarAutomation<double, VT_R8> {
    static double Read(VARIANT& v) { return V_R8(&v); }
    static void Store(VARIANT* v, double& value) { V_R8(v) = value; }
};
template <>
struct Automation<BYTE> : ScalarAutomation<BYTE, VT_UI1> {
    static BYTE Read(VARIANT& v) { return V_UI1(&v); }
    static void Store(VARIANT* v, BYTE& value) { V_UI1(v) = value; }
};
// VARIANT_BOOL is a short; no member takes a plain 16-bit integer.
template <>
struct Automation<VARIANT_BOOL> : ScalarAutomation<VARIANT_BOOL, VT_BOOL> {
    static VARIANT_BOOL Read(VARIANT& v) { return V_BOOL(&v); }
    static void Store(VARIANT* v, VARIANT_BOOL& value) { V_BOOL(v) = value; }
};
// Enumerations travel as VT_I4.
template <class E>
struct Automation<E, std::enable_if_t<std::is_enum_v<E>>> : ScalarAutomation<E, VT_I4> {
    static E Read(VARIANT& v) { return static_cast<E>(V_I4(&v)); }
    static void Store(VARIANT* v, E& value) { V_I4(v) = static_cast<LONG>(value); }
};
template <>
struct Automation<BSTR> {
    static constexpr bool supported = true;
    static constexpr VARTYPE vt = VT_BSTR;
    static BSTR Read(VARIANT& v) { return V_BSTR(&v); }
    static void Init(BSTR& value) { value = nullptr; }
    static void Store(VARIANT* v, BSTR& value) { V_BSTR(v) = value; }
    static void Discard(BSTR& value) { SysFreeString(value); }
};
template <>
struct Automation<VARIANT> {
    static constexpr bool supported = true;
    static constexpr VARTYPE vt = VT_VARIANT;
    static void Init(VARIANT& value) { VariantInit(&value); }
    static void Discard(VARIANT& value) { VariantClear(&value); }
};

inline VARIANTARG* Positional(DISPPARAMS* args, std::size_t position) {
    return &args->rgvarg[args->cArgs - 1 - position];
}

inline HRESULT Failed(HRESULT hr, DISPPARAMS* args, std::size_t position, UINT* argErr) {
    if (argErr) *argErr = static_cast<UINT>(args->cArgs - 1 - position);
    return hr;
}

// An [in] argument, converted to T.
template <class T>
class InArg {
public:
    static constexpr bool supported = Automation<T>::supported;
    InArg() { VariantInit(&m_Value); }
    ~InArg() { VariantClear(&m_Value); }
    InArg(const InArg&) = delete;
    InArg& operator=(const InArg&) = delete;

    HRESULT Load(DISPPARAMS* args, std::size_t position, UINT* argErr) {
        VARIANTARG* source = Positional(args, position);
        HRESULT hr;
        if constexpr (std::is_same_v<T, VARIANT>) {
            if (V_VT(source) == (VT_BYREF | VT_VARIANT)) source = V_VARIANTREF(source);
            hr = VariantCopy(&m_Value, source);
        } else {
            hr = VariantChangeType(&m_Value, source, 0, Automation<T>::vt);
        }
        return FAILED(hr) ? Failed(hr, args, position, argErr) : S_OK;
    }
    T Pass() {
        if constexpr (std::is_same_v<T, VARIANT>)
            return m_Value;   // the member only reads an [in] VARIANT
        else
            return Automation<T>::Read(m_Value);
    }
    void Finish(VARIANT*) {}

private:
    VARIANT m_Value;
};

// An [out] argument: the caller's VT_BYREF variable of the exact type.
template <class P>
class OutArg {
public:
    static constexpr bool supported = false;
};
template <class T>
class OutArg<T*> {
public:
    static constexpr bool supported = Automation<T>::supported && !std::is_same_v<T, VARIANT> &&
                                      !std::is_same_v<T, BSTR>;
    HRESULT Load(DISPPARAMS* args, std::size_t position, UINT* argErr) {
        VARIANTARG* source = Positional(args, position);
        if (V_VT(source) != (VT_BYREF | Automation<T>::vt) || !V_BYREF(source))
            return Failed(DISP_E_TYPEMISMATCH, args, position, argErr);
        m_Target = static_cast<T*>(V_BYREF(source));
        return S_OK;
    }
    T* Pass() { return m_Target; }
    void Finish(VARIANT*) {}

private:
    T* m_Target = nullptr;
};

// The [out, retval] argument: a local variable whose value becomes the result.
template <class P>
class RetvalArg {
public:
    static constexpr bool supported = false;
};
template <class T>
class RetvalArg<T*> {
public:
    static constexpr bool supported = Automation<T>::supported;
    RetvalArg() { Automation<T>::Init(m_Value); }
    ~RetvalArg() { Automation<T>::Discard(m_Value); }
    RetvalArg(const RetvalArg&) = delete;
    RetvalArg& operator=(const RetvalArg&) = delete;

    HRESULT Load(DISPPARAMS*, std::size_t, UINT*) { return S_OK; }
    T* Pass() { return &m_Value; }
    // Moves the value into result (or drops it when the caller wants none).
    void Finish(VARIANT* result) {
        if (!result) return;
        if constexpr (std::is_same_v<T, VARIANT>) {
            *result = m_Value;
        } else {
            V_VT(result) = Automation<T>::vt;
            Automation<T>::Store(result, m_Value);
        }
        Automation<T>::Init(m_Value);
    }

private:
    T m_Value;
};

template <class F>
struct MethodTraits;
template <class I, class... A>
struct MethodTraits<HRESULT (STDMETHODCALLTYPE I::*)(A...)> {
    using Interface = I;
    using Args = std::tuple<A...>;
    static constexpr UINT arity = sizeof...(A);
};

template <auto Fn, UINT InCount>
class Invoker {
    using Traits = MethodTraits<decltype(Fn)>;
    using I = typename Traits::Interface;
    static constexpr UINT kArity = Traits::arity;
    static_assert(InCount <= kArity, "more [in] parameters than parameters");

    template <std::size_t K>
    using Param = std::tuple_element_t<K, typename Traits::Args>;
    template <std::size_t K>
    using Slot = std::conditional_t<(K < InCount), InArg<Param<K>>,
                                    std::conditional_t<(K + 1 == kArity), RetvalArg<Param<K>>, OutArg<Param<K>>>>;

    template <std::size_t... K>
    static constexpr bool Supported(std::index_sequence<K...>) {
        return (true && ... && Slot<K>::supported);
    }

    template <std::size_t... K>
    static HRESULT Call(I* self, DISPPARAMS* args, VARIANT* result, UINT* argErr, std::index_sequence<K...>) {
        (void)args, (void)result, (void)argErr;   // unused by members without parameters
        std::tuple<Slot<K>...> slots;
        HRESULT hr = S_OK;
        ((hr = SUCCEEDED(hr) ? std::get<K>(slots).Load(args, K, argErr) : hr), ...);
        if (FAILED(hr)) return hr;
        hr = (self->*Fn)(std::get<K>(slots).Pass()...);
        if (SUCCEEDED(hr)) (std::get<K>(slots).Finish(result), ...);
        return hr;
    }

public:
    static constexpr bool kRetval = kArity > InCount;

    static HRESULT Invoke(IDispatch* self, DISPPARAMS* args, VARIANT* result, UINT* argErr) {
        constexpr auto all = std::make_index_sequence<kArity>{};
        if constexpr (!Supported(all)) {
            (void)self, (void)args, (void)result, (void)argErr;
            return DISP_E_BADVARTYPE;
        } else {
            if (args->cArgs != (kRetval ? kArity - 1 : kArity)) return DISP_E_BADPARAMCOUNT;
            return Call(static_cast<I*>(self), args, result, argErr, all);
        }
    }
};

// The vtable slot of a virtual member function. Under the Itanium C++ ABI (g++, clang++, and
// mingw-w64 g++) a pointer to a virtual member holds 1 + the byte offset of its vtable entry.
template <auto Fn>
std::size_t VtableSlot() {
    struct Representation {
        std::ptrdiff_t ptr;
        std::ptrdiff_t adj;
    };
    static_assert(sizeof(Fn) == sizeof(Representation), "unexpected pointer-to-member layout");
    const auto fn = Fn;
    Representation r;
    std::memcpy(&r, &fn, sizeof r);
    return (r.ptr & 1) ? static_cast<std::size_t>(r.ptr - 1) / sizeof(void*) : static_cast<std::size_t>(-1);
}

}  // namespace Detail

template <auto Fn, UINT InCount>
DispatchMember Member(const char* name, DISPID dispid, WORD kind) {
    using Invoker = Detail::Invoker<Fn, InCount>;
    return {name,          dispid, kind, Detail::MethodTraits<decltype(Fn)>::arity,
            InCount,       Invoker::kRetval, &Invoker::Invoke, &Detail::VtableSlot<Fn>};
}

}  // namespace tarn::com

// IDispatch for a dual interface I, as a base class between I and the object:
//     class CFoo : public tarn::com::DispatchImpl<IFoo>, ...
// Windows: from the registered type library (TypeLibDispatch). Elsewhere, where no type
// libraries exist: from the interface's member table (MemberTableDispatch), which GetTypeInfo
// cannot describe: GetTypeInfoCount gives 0 and GetTypeInfo TYPE_E_ELEMENTNOTFOUND.
//
// Both read DispatchTraits<I>, which an interface specialises with
//     static const IID& Iid();  static const GUID& LibId();
//     static constexpr WORD kMajorVersion, kMinorVersion;  static constexpr LCID kLocale;
//     static const MemberTable& Members();
#pragma once

#include "component/com/DispatchMembers.h"

namespace tarn::com {

template <class I>
struct DispatchTraits;

// IDispatch::GetTypeInfoCount answering count.
HRESULT TypeInfoCount(UINT* pctinfo, UINT count);
// IDispatch::GetTypeInfo without type information.
HRESULT NoTypeInfo(UINT index, ITypeInfo** typeInfo);

template <class I>
class MemberTableDispatch : public I {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override { return TypeInfoCount(pctinfo, 0); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override {
        return NoTypeInfo(iTInfo, ppTInfo);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                            DISPID* rgDispId) override {
        return DispatchTraits<I>::Members().GetIDsOfNames(riid, rgszNames, cNames, rgDispId);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*,
                                     UINT* puArgErr) override {
        return DispatchTraits<I>::Members().Invoke(static_cast<I*>(this), dispIdMember, riid, wFlags,
                                                   pDispParams, pVarResult, puArgErr);
    }
};

#ifdef _WIN32
// The type information of iid from the type library libid major.minor registered for locale,
// which is loaded on first use and kept for the life of the module. The caller releases
// *typeInfo.
HRESULT RegisteredTypeInfo(const GUID& libid, WORD major, WORD minor, LCID locale, REFIID iid, ITypeInfo** typeInfo);

template <class I>
class TypeLibDispatch : public I {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override { return TypeInfoCount(pctinfo, 1); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override {
        if (!ppTInfo) return E_POINTER;
        *ppTInfo = nullptr;
        if (iTInfo != 0) return DISP_E_BADINDEX;
        return TypeInfo(ppTInfo);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                                            DISPID* rgDispId) override {
        ITypeInfo* info = nullptr;
        HRESULT hr = TypeInfo(&info);
        if (FAILED(hr)) return hr;
        hr = info->GetIDsOfNames(rgszNames, cNames, rgDispId);
        info->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
        ITypeInfo* info = nullptr;
        HRESULT hr = TypeInfo(&info);
        if (FAILED(hr)) return hr;
        hr = info->Invoke(static_cast<I*>(this), dispIdMember, wFlags, pDispParams, pVarResult,
                          pExcepInfo, puArgErr);
        info->Release();
        return hr;
    }

private:
    static HRESULT TypeInfo(ITypeInfo** info) {
        using Traits = DispatchTraits<I>;
        return RegisteredTypeInfo(Traits::LibId(), Traits::kMajorVersion, Traits::kMinorVersion, Traits::kLocale,
                                  Traits::Iid(), info);
    }
};

template <class I>
using DispatchImpl = TypeLibDispatch<I>;
#else
template <class I>
using DispatchImpl = MemberTableDispatch<I>;
#endif

}  // namespace tarn::com

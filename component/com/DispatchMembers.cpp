#include "component/com/DispatchMembers.h"

#include "platform/Ascii.h"

namespace tarn::com {

namespace {

bool SameNameIgnoringCase(const OLECHAR* text, const char* name) { return platform::EqualIgnoringCase(text, name); }

}  // namespace

HRESULT MemberTable::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) const {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (count == 0) return S_OK;
    if (!names || !ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (!names[0]) return DISP_E_UNKNOWNNAME;
    for (const DispatchMember& member : *this) {
        if (SameNameIgnoringCase(names[0], member.name)) {
            ids[0] = member.dispid;
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

// A call with both the method and the get flag (what script engines send) prefers the method.
const DispatchMember* MemberTable::Find(DISPID dispid, WORD flags) const {
    for (WORD kind : {WORD(DISPATCH_METHOD), WORD(DISPATCH_PROPERTYGET), WORD(DISPATCH_PROPERTYPUT)}) {
        const WORD wanted = kind == DISPATCH_PROPERTYPUT ? WORD(DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF) : kind;
        if (!(flags & wanted)) continue;
        for (const DispatchMember& member : *this)
            if (member.dispid == dispid && member.kind == kind) return &member;
    }
    return nullptr;
}

HRESULT MemberTable::Invoke(IDispatch* self, DISPID dispid, REFIID riid, WORD flags, DISPPARAMS* args,
                            VARIANT* result, UINT* argErr) const {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!args || (args->cArgs && !args->rgvarg)) return E_INVALIDARG;
    const DispatchMember* member = Find(dispid, flags);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    if (member->kind == DISPATCH_PROPERTYPUT) {
        // The new value is the one argument, named DISPID_PROPERTYPUT.
        if (args->cNamedArgs != 1 || !args->rgdispidNamedArgs || args->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
    } else if (args->cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (result) VariantInit(result);
    return member->invoke(self, args, result, argErr);
}

}  // namespace tarn::com

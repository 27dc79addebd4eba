// The type library compiled from component/tarn.idl, the C++ interfaces and the member tables
// describe the same members: names, DISPIDs, kinds, parameter counts and vtable slots, and the
// same identities. The type library exists on Windows only; the POSIX build shares the tables.
#include "component/TarnInterfaces.h"
#include "component/com/TarnDispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifdef _WIN32
namespace {

using tarn::com::DispatchTraits;

// The kind of a type, from its attributes.
TYPEKIND Kind(ITypeInfo* info, WORD* flags = nullptr, WORD* functions = nullptr) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return TKIND_MAX;
    const TYPEKIND kind = attr->typekind;
    if (flags) *flags = attr->wTypeFlags;
    if (functions) *functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    return kind;
}

// A dual interface's vtable view, which lies behind its dispatch view, against the member table.
template <class I>
void ExpectTableMatches(ITypeLib* library, const GUID& iid) {
    ITypeInfo *dispatch = nullptr, *info = nullptr;
    HREFTYPE vtableView = 0;
    ASSERT_EQ(library->GetTypeInfoOfGuid(iid, &dispatch), S_OK);
    EXPECT_EQ(Kind(dispatch), TKIND_DISPATCH);
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtableView), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(vtableView, &info), S_OK);
    dispatch->Release();
    WORD flags = 0, functions = 0;
    EXPECT_EQ(Kind(info, &flags, &functions), TKIND_INTERFACE);
    EXPECT_TRUE(flags & TYPEFLAG_FDUAL);
    const auto& table = DispatchTraits<I>::Members();
    EXPECT_EQ(functions, table.end() - table.begin());
    UINT index = 0;
    for (const auto& member : table) {
        FUNCDESC* func = nullptr;
        if (FAILED(info->GetFuncDesc(index++, &func))) break;
        BSTR name = nullptr;
        UINT names = 0;
        info->GetNames(func->memid, &name, 1, &names);
        EXPECT_EQ(std::wstring(name), std::wstring(member.name, member.name + std::strlen(member.name)));
        SysFreeString(name);
        EXPECT_EQ(func->memid, member.dispid) << member.name;
        EXPECT_EQ(static_cast<WORD>(func->invkind), member.kind) << member.name;
        EXPECT_EQ(static_cast<std::size_t>(func->oVft) / sizeof(void*), member.vtableSlot()) << member.name;
        EXPECT_EQ(static_cast<UINT>(func->cParams), member.params) << member.name;
        info->ReleaseFuncDesc(func);
    }
    info->Release();
}

// The type library as this executable's TYPELIB resource carries it.
TEST(TypeLibrary, MatchesTheHeaderAndTheMemberTables) {
    wchar_t path[MAX_PATH];
    ITypeLib* library = nullptr;
    ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, &library), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TARNLib));
    EXPECT_EQ(attr->lcid, kTARNLibLocale);
    library->ReleaseTLibAttr(attr);
    for (const auto& [guid, kind] : {std::pair{CLSID_QVRecorderFileReader, TKIND_COCLASS},
                                     std::pair{DIID__IQVRecorderFileReaderEvents, TKIND_DISPATCH}}) {
        ITypeInfo* info = nullptr;
        ASSERT_EQ(library->GetTypeInfoOfGuid(guid, &info), S_OK);
        EXPECT_EQ(Kind(info), kind);
        info->Release();
    }
    ExpectTableMatches<IQVRecorderFileReader>(library, IID_IQVRecorderFileReader);
    ExpectTableMatches<IQVRecorderFileReader2>(library, IID_IQVRecorderFileReader2);
    ExpectTableMatches<IQVRecorderFileWriter>(library, IID_IQVRecorderFileWriter);
    library->Release();
}

}  // namespace
#endif

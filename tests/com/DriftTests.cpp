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

using tarn::com::DispatchMember;
using tarn::com::DispatchTraits;
using tarn::com::MemberTable;

// The type library from this executable's TYPELIB resource.
class TypeLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH];
        ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
        ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, &library), S_OK);
    }
    void TearDown() override {
        if (library) library->Release();
    }
    // The type of guid; its kind is expected.
    ITypeInfo* Info(const GUID& guid, TYPEKIND expected) {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(library->GetTypeInfoOfGuid(guid, &info), S_OK);
        if (!info) return nullptr;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        EXPECT_EQ(attr->typekind, expected);
        info->ReleaseTypeAttr(attr);
        return info;
    }
    template <class I>
    void ExpectTableMatches(const GUID& iid) {
        // A dual interface's vtable view lies behind its dispatch view.
        ITypeInfo* dispatch = Info(iid, TKIND_DISPATCH);
        ASSERT_NE(dispatch, nullptr);
        HREFTYPE vtableView = 0;
        ITypeInfo* info = nullptr;
        ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtableView), S_OK);
        ASSERT_EQ(dispatch->GetRefTypeInfo(vtableView, &info), S_OK);
        dispatch->Release();
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        const MemberTable& table = DispatchTraits<I>::Members();
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        ASSERT_EQ(attr->cFuncs, table.end() - table.begin());
        info->ReleaseTypeAttr(attr);
        UINT index = 0;
        for (const DispatchMember& member : table) {
            SCOPED_TRACE(member.name);
            FUNCDESC* func = nullptr;
            ASSERT_EQ(info->GetFuncDesc(index++, &func), S_OK);
            BSTR name = nullptr;
            UINT names = 0;
            info->GetNames(func->memid, &name, 1, &names);
            EXPECT_EQ(std::wstring(name), std::wstring(member.name, member.name + std::strlen(member.name)));
            SysFreeString(name);
            EXPECT_EQ(func->memid, member.dispid);
            EXPECT_EQ(static_cast<WORD>(func->invkind), member.kind);
            EXPECT_EQ(static_cast<std::size_t>(func->oVft) / sizeof(void*), member.vtableSlot());   // the header's
            EXPECT_EQ(static_cast<UINT>(func->cParams), member.params);
            info->ReleaseFuncDesc(func);
        }
        info->Release();
    }

    ITypeLib* library = nullptr;
};

TEST_F(TypeLibrary, MatchesTheHeaderAndTheMemberTables) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TARNLib));
    EXPECT_EQ(attr->wMajorVerNum, kTARNLibMajorVersion);
    EXPECT_EQ(attr->wMinorVerNum, kTARNLibMinorVersion);
    EXPECT_EQ(attr->lcid, kTARNLibLocale);
    library->ReleaseTLibAttr(attr);
    for (const auto& [guid, kind] : {std::pair{CLSID_QVRecorderFileReader, TKIND_COCLASS},
                                     std::pair{DIID__IQVRecorderFileReaderEvents, TKIND_DISPATCH}}) {
        if (ITypeInfo* info = Info(guid, kind)) info->Release();
    }
    ExpectTableMatches<IQVRecorderFileReader>(IID_IQVRecorderFileReader);
    ExpectTableMatches<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    ExpectTableMatches<IQVRecorderFileWriter>(IID_IQVRecorderFileWriter);
}

}  // namespace
#endif

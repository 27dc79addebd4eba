// The IDL, the C++ interfaces and the member tables describe the same members: same names,
// DISPIDs, kinds, parameters and vtable slots. On Windows also the compiled type library.
#include "component/TarnInterfaces.h"
#include "component/com/TarnDispatch.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using tarn::com::DispatchMember;
using tarn::com::DispatchTraits;
using tarn::com::MemberTable;

const char kIdl[] =
#include "TarnIdl.inc"
    ;

struct IdlMember {
    std::string name;
    DISPID dispid;
    WORD kind;
    UINT params, inParams;
    bool retval;
};

// The attribute text of each parameter in an IDL parameter list ("" when it has none).
std::vector<std::string> ParameterAttributes(const std::string& params) {
    std::vector<std::string> result;
    if (params.find_first_not_of(" \t\r\n") == std::string::npos) return result;
    result.emplace_back();
    bool inAttributes = false;
    for (char c : params) {
        if (c == '[') inAttributes = true;
        else if (c == ']') inAttributes = false;
        else if (c == ',' && !inAttributes) result.emplace_back();
        else if (inAttributes) result.back() += c;
    }
    return result;
}

// The members of one interface of the IDL, in declaration (vtable) order.
std::vector<IdlMember> IdlMembers(const std::string& interfaceName) {
    const std::string idl = kIdl;
    const std::regex block("interface\\s+" + interfaceName + "\\s*:\\s*IDispatch\\s*\\{([^}]*)\\}");
    std::smatch body;
    if (!std::regex_search(idl, body, block)) return {};
    const std::string text = body[1];
    const std::regex member("\\[([^\\]]*)\\]\\s*HRESULT\\s+(\\w+)\\s*\\(([^;]*)\\)\\s*;");
    const std::regex dispid("id\\((\\d+)\\)");
    std::vector<IdlMember> members;
    for (std::sregex_iterator it(text.begin(), text.end(), member), end; it != end; ++it) {
        const std::string attributes = (*it)[1];
        std::smatch id;
        std::regex_search(attributes, id, dispid);
        IdlMember m{(*it)[2], std::stoi(id[1]), WORD(DISPATCH_METHOD), 0, 0, false};
        if (attributes.find("propget") != std::string::npos) m.kind = DISPATCH_PROPERTYGET;
        if (attributes.find("propput") != std::string::npos) m.kind = DISPATCH_PROPERTYPUT;
        for (const std::string& direction : ParameterAttributes((*it)[3])) {
            ++m.params;
            if (direction.find("out") == std::string::npos) ++m.inParams;
            if (direction.find("retval") != std::string::npos) m.retval = true;
        }
        members.push_back(m);
    }
    return members;
}

template <class I>
void ExpectTableMatchesIdl(const char* interfaceName) {
    SCOPED_TRACE(interfaceName);
    const std::vector<IdlMember> idl = IdlMembers(interfaceName);
    const MemberTable& table = DispatchTraits<I>::Members();
    ASSERT_EQ(idl.size(), static_cast<std::size_t>(table.end() - table.begin()));
    ASSERT_FALSE(idl.empty());
    std::size_t slot = 7;   // after IUnknown and IDispatch
    for (const DispatchMember& member : table) {
        const IdlMember& expected = idl[slot - 7];
        SCOPED_TRACE(expected.name);
        EXPECT_EQ(member.name, expected.name);
        EXPECT_EQ(member.dispid, expected.dispid);
        EXPECT_EQ(member.kind, expected.kind);
        EXPECT_EQ(member.params, expected.params);
        EXPECT_EQ(member.inParams, expected.inParams);
        EXPECT_EQ(member.retval, expected.retval);
        EXPECT_EQ(member.vtableSlot(), slot);   // the header's own vtable
        ++slot;
    }
}

TEST(Drift, MemberTablesMatchTheIdlAndTheHeader) {
    ExpectTableMatchesIdl<IQVRecorderFileReader>("IQVRecorderFileReader");
    ExpectTableMatchesIdl<IQVRecorderFileReader2>("IQVRecorderFileReader2");
    ExpectTableMatchesIdl<IQVRecorderFileWriter>("IQVRecorderFileWriter");
}

std::string Hex(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

TEST(Drift, GuidsMatchTheIdl) {
    const std::string idl = kIdl;
    struct Named {
        const char* declaration;
        const GUID* guid;
    } items[] = {
        {"interface IQVRecorderFileReader ", &IID_IQVRecorderFileReader},
        {"interface IQVRecorderFileReader2 ", &IID_IQVRecorderFileReader2},
        {"interface IQVRecorderFileWriter ", &IID_IQVRecorderFileWriter},
        {"library TARNLib", &LIBID_TARNLib},
        {"dispinterface _IQVRecorderFileReaderEvents", &DIID__IQVRecorderFileReaderEvents},
        {"coclass QVRecorderFileReader", &CLSID_QVRecorderFileReader},
    };
    for (const Named& item : items) {
        // The uuid attribute closest before the declaration is its own.
        const std::size_t at = idl.find(item.declaration);
        ASSERT_NE(at, std::string::npos) << item.declaration;
        const std::size_t uuid = idl.rfind("uuid(", at);
        EXPECT_EQ(idl.substr(uuid + 5, 36), Hex(*item.guid)) << item.declaration;
    }
}

#ifdef _WIN32
// The type library compiled from the IDL, from this executable's TYPELIB resource.
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
    void ExpectTableMatchesTypeLibrary(const GUID& iid) {
        // A dual interface's vtable view lies behind the dispatch view.
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
        EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
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
            EXPECT_EQ(static_cast<std::size_t>(func->oVft) / sizeof(void*), member.vtableSlot());
            EXPECT_EQ(static_cast<UINT>(func->cParams), member.params);
            info->ReleaseFuncDesc(func);
        }
        info->Release();
    }

    ITypeLib* library = nullptr;
};

TEST_F(TypeLibrary, IdentityOfTheLibrary) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(Hex(attr->guid), Hex(LIBID_TARNLib));
    EXPECT_EQ(attr->wMajorVerNum, kTARNLibMajorVersion);
    EXPECT_EQ(attr->wMinorVerNum, kTARNLibMinorVersion);
    EXPECT_EQ(attr->lcid, 0x409u);
    library->ReleaseTLibAttr(attr);
    for (const auto& [guid, kind] : {std::pair{CLSID_QVRecorderFileReader, TKIND_COCLASS},
                                     std::pair{DIID__IQVRecorderFileReaderEvents, TKIND_DISPATCH}}) {
        ITypeInfo* info = Info(guid, kind);
        ASSERT_NE(info, nullptr);
        info->Release();
    }
}

TEST_F(TypeLibrary, InterfacesMatchTheMemberTablesAndTheHeader) {
    ExpectTableMatchesTypeLibrary<IQVRecorderFileReader>(IID_IQVRecorderFileReader);
    ExpectTableMatchesTypeLibrary<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    ExpectTableMatchesTypeLibrary<IQVRecorderFileWriter>(IID_IQVRecorderFileWriter);
}
#endif

}  // namespace

// Registry keys and REG_SZ values: the same cases against the store file (POSIX) and the
// registry itself (Wine).
#include "tests/compat/RegistryTest.h"

#include <cstring>

namespace {

using tarn::test::OleString;
using tarn::test::RegistryTest;

class Registry : public RegistryTest {
protected:
    HKEY Create(HKEY parent, const OLECHAR* path, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, disposition),
                  ERROR_SUCCESS);
        return key;
    }
    LSTATUS Open(HKEY parent, const OLECHAR* path, REGSAM access, HKEY& key) {
        return RegOpenKeyExW(parent, path, 0, access, &key);
    }
    static LSTATUS Set(HKEY key, const OLECHAR* name, const void* data, DWORD bytes) {
        return RegSetValueExW(key, name, 0, REG_SZ, static_cast<const BYTE*>(data), bytes);
    }
};

TEST_F(Registry, KeysAreCreatedWithTheirParentsAndFoundIgnoringCase) {
    DWORD disposition = 0;
    HKEY deep = Create(m_Base, OLESTR("Alpha\\Beta\\Gamma"), KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    RegCloseKey(deep);
    RegCloseKey(Create(m_Base, OLESTR("ALPHA\\beta"), KEY_ALL_ACCESS, &disposition));
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));

    HKEY key = nullptr;
    EXPECT_EQ(Open(m_Base, OLESTR("alpha\\BETA\\gamma"), KEY_READ, key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Open(m_Base, OLESTR("Alpha\\Delta"), KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(Subkeys(m_Base), std::vector<std::string>{"Alpha"});   // the name keeps the case it was made with
}

TEST_F(Registry, ValuesAreQueriedByTheWindowsSizeRules) {
    const OleString text = OLESTR("Apartment");
    const DWORD bytes = DWORD((text.size() + 1) * sizeof(OLECHAR));
    ASSERT_EQ(Set(m_Base, OLESTR("ThreadingModel"), text.c_str(), bytes), ERROR_SUCCESS);

    DWORD type = REG_NONE, size = 0;
    EXPECT_EQ(RegQueryValueExW(m_Base, OLESTR("threadingmodel"), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, bytes);

    OLECHAR buffer[32] = {};
    for (DWORD given : {bytes - 1, DWORD(sizeof buffer)}) {   // one byte short, then room enough
        size = given;
        EXPECT_EQ(RegQueryValueExW(m_Base, OLESTR("ThreadingModel"), nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size),
                  given < bytes ? ERROR_MORE_DATA : ERROR_SUCCESS);
        EXPECT_EQ(size, bytes);
    }
    EXPECT_EQ(OleString(buffer), text);

    EXPECT_EQ(RegQueryValueExW(m_Base, OLESTR("Missing"), nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    // The default value answers to a null name and to an empty one.
    ASSERT_EQ(SetText(m_Base, OleString(), OLESTR(""), OLESTR("default")), ERROR_SUCCESS);
    EXPECT_EQ(Text(m_Base, nullptr), OLESTR("default"));
}

TEST_F(Registry, AnyTextRoundTripsByteForByte) {
    const OLECHAR unusual[] = {u'%', u'"', u'[', u']', u'\\', u'\n', u'\r', u'\t', 0, u'=', 0xD800, u'x', 0xDC00,
                               0xD83D, 0xDE00, 0x00E9, 0x20AC, u';', 0};
    const struct {
        const char* label;
        const void* data;
        DWORD bytes;
    } cases[] = {
        {"special characters and a NUL inside", unusual, sizeof unusual},
        {"a NUL only", OLESTR(""), sizeof(OLECHAR)},
#ifndef _WIN32
        // Windows keeps these as given too; Wine adds a NUL.
        {"no NUL at the end", unusual, sizeof unusual - sizeof(OLECHAR)},
        {"empty", nullptr, 0},
        {"an odd byte count", "abc", 3},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(Set(m_Base, OLESTR("value"), c.data, c.bytes), ERROR_SUCCESS);
        char buffer[64] = {};
        DWORD size = sizeof buffer;
        ASSERT_EQ(RegQueryValueExW(m_Base, OLESTR("value"), nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size),
                  ERROR_SUCCESS);
        ASSERT_EQ(size, c.bytes);
        EXPECT_TRUE(c.bytes == 0 || std::memcmp(buffer, c.data, c.bytes) == 0);
    }
}

TEST_F(Registry, DeletingKeepsKeysWithSubkeysUnlessTheWholeTreeGoes) {
    ASSERT_EQ(SetText(m_Base, OLESTR("Tree\\Leaf"), OLESTR("v"), OLESTR("1")), ERROR_SUCCESS);
    ASSERT_EQ(SetText(m_Base, OLESTR("Tree"), OLESTR("v"), OLESTR("2")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("Tree")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("Tree\\Missing")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("TREE\\leaf")), ERROR_SUCCESS);

    // Without a subkey name only the contents go.
    HKEY tree = Create(m_Base, OLESTR("Tree"));
    EXPECT_EQ(RegDeleteTreeW(tree, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(tree), std::vector<std::string>{});
    EXPECT_EQ(Text(tree, OLESTR("v")), OLESTR("<missing>"));
    RegCloseKey(tree);
    EXPECT_EQ(Subkeys(m_Base), std::vector<std::string>{"Tree"});

    ASSERT_EQ(SetText(m_Base, OLESTR("Tree\\Leaf\\Deeper"), OLESTR("v"), OLESTR("3")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(m_Base, OLESTR("Tree")), ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(m_Base), std::vector<std::string>{});
    EXPECT_EQ(RegDeleteTreeW(m_Base, OLESTR("Tree")), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, SubkeysAreEnumeratedByNameIgnoringCase) {
    for (const OLECHAR* name : {OLESTR("beta"), OLESTR("Alpha"), OLESTR("gamma_long_name"), OLESTR("ALPHA2")})
        RegCloseKey(Create(m_Base, name));
    EXPECT_EQ(Subkeys(m_Base), (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma_long_name"}));

    OLECHAR name[8];
    DWORD length = 8;   // "gamma_long_name" needs 16 with its NUL
    EXPECT_EQ(RegEnumKeyExW(m_Base, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = 6;   // "Alpha" and its NUL fit exactly
    EXPECT_EQ(RegEnumKeyExW(m_Base, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 5u);
    length = 8;
    EXPECT_EQ(RegEnumKeyExW(m_Base, 4, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, TwoHandlesSeeOneKey) {
    HKEY writer = Create(m_Base, OLESTR("Shared"));
    HKEY reader = nullptr;
    ASSERT_EQ(Open(m_Base, OLESTR("Shared"), KEY_READ, reader), ERROR_SUCCESS);
    ASSERT_EQ(SetText(writer, OleString(), OLESTR("v"), OLESTR("first")), ERROR_SUCCESS);
    EXPECT_EQ(Text(reader, OLESTR("v")), OLESTR("first"));

    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("Shared")), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(reader, OLESTR("v"), nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SetText(writer, OleString(), OLESTR("v"), OLESTR("third")), ERROR_KEY_DELETED);
    RegCloseKey(writer);
    RegCloseKey(reader);
}

TEST_F(Registry, HandlesAllowWhatTheyWereOpenedFor) {
    RegCloseKey(Create(m_Base, OLESTR("Guarded")));
    HKEY readOnly = nullptr, writeOnly = nullptr;
    [[maybe_unused]] HKEY child = nullptr;
    ASSERT_EQ(Open(m_Base, OLESTR("Guarded"), KEY_READ, readOnly), ERROR_SUCCESS);
    ASSERT_EQ(Open(m_Base, OLESTR("Guarded"), KEY_WRITE, writeOnly), ERROR_SUCCESS);

    EXPECT_EQ(Set(readOnly, OLESTR("v"), OLESTR("x"), 4), ERROR_ACCESS_DENIED);
#ifndef _WIN32
    // Windows wants KEY_CREATE_SUB_KEY on the parent; Wine does not check it.
    EXPECT_EQ(RegCreateKeyExW(readOnly, OLESTR("Child"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_ACCESS_DENIED);
#endif
    EXPECT_EQ(Set(writeOnly, OLESTR("v"), OLESTR("x"), 4), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(writeOnly, OLESTR("v"), nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryValueExW(readOnly, OLESTR("v"), nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(readOnly);
    RegCloseKey(writeOnly);
}

}  // namespace

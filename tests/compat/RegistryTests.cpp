// Registry keys and values against the store file (POSIX) and the registry itself (Wine).
#include "tests/compat/RegistryTest.h"

#include <cstring>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#endif

namespace {

using tarn::test::OleString;
using Registry = tarn::test::RegistryTest;

LSTATUS Open(HKEY parent, const OLECHAR* path) {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(parent, path, 0, KEY_READ, &key);
    return RegCloseKey(key), status;
}

// Values keep every byte (a NUL inside, surrogates, characters the store file escapes) and are
// read by the Windows size rules; names are found ignoring case.
TEST_F(Registry, ValuesRoundTripByteForByte) {
    const OLECHAR unusual[] = {u'%', u'"', u'[', u'\\', u'\n', 0, u'=', 0xD800, u'x', 0xDC00, 0xD83D, 0xDE00, 0x20AC, 0};
    ASSERT_EQ(RegSetValueExW(m_Base, OLESTR("Value"), 0, REG_SZ, reinterpret_cast<const BYTE*>(unusual), sizeof unusual),
              ERROR_SUCCESS);
    char buffer[64] = {};
    for (DWORD given : {DWORD(sizeof unusual - 1), DWORD(sizeof buffer)}) {   // one byte short, then room enough
        DWORD size = given, type = 0;
        EXPECT_EQ(RegQueryValueExW(m_Base, OLESTR("vALUE"), nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size),
                  given < sizeof unusual ? ERROR_MORE_DATA : ERROR_SUCCESS);
        EXPECT_EQ(size, sizeof unusual);
        EXPECT_EQ(type, DWORD(REG_SZ));
    }
    EXPECT_EQ(std::memcmp(buffer, unusual, sizeof unusual), 0);
    // The default value answers to a null name and to an empty one.
    ASSERT_EQ(SetText(m_Base, OleString(), OLESTR(""), OLESTR("default")), ERROR_SUCCESS);
    EXPECT_EQ(Text(m_Base, nullptr) + Text(m_Base, OLESTR("Missing")), OLESTR("default<missing>"));
}

// Keys come with their parents and are found ignoring case; a key with subkeys goes only with
// its whole tree.
TEST_F(Registry, KeysAreCreatedFoundAndDeleted) {
    ASSERT_EQ(SetText(m_Base, OLESTR("Tree\\Leaf"), OLESTR("v"), OLESTR("1")), ERROR_SUCCESS);
    EXPECT_EQ(Open(m_Base, OLESTR("tREE\\lEAF")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("Tree")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("TREE\\leaf")), ERROR_SUCCESS);
    ASSERT_EQ(SetText(m_Base, OLESTR("Tree\\Leaf\\Deeper"), OLESTR("v"), OLESTR("3")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(m_Base, OLESTR("Tree")), ERROR_SUCCESS);
    EXPECT_EQ(Open(m_Base, OLESTR("Tree")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeW(m_Base, OLESTR("Tree")), ERROR_FILE_NOT_FOUND);
}

#ifndef _WIN32
std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// The store file is readable text in Windows order; text written by hand reads back.
TEST_F(Registry, StoreTextRoundTrips) {
    ASSERT_EQ(SetText(m_Base, OLESTR("S\\InprocServer32"), nullptr, OLESTR("/opt/a b/lib%.so")), ERROR_SUCCESS);
    ASSERT_EQ(SetText(m_Base, OLESTR("S\\ProgID"), nullptr, OLESTR("Say \"h\u00e9\"\n")), ERROR_SUCCESS);
    const char odd[] = {'o', 0, 'd'};   // no NUL at the end, and an odd length
    ASSERT_EQ(RegSetValueExW(m_Base, OLESTR("Odd"), 0, REG_SZ, reinterpret_cast<const BYTE*>(odd), 3), ERROR_SUCCESS);
    const std::string text = ReadFile(StorePath());
    EXPECT_EQ(text, "tarn-registry 1\n[HKEY_CURRENT_USER\\Software]\n[HKEY_CURRENT_USER\\Software\\TarnCompatTests]\n"
                    "\"Odd\"=\"o\"!64\n[HKEY_CURRENT_USER\\Software\\TarnCompatTests\\S]\n"
                    "[HKEY_CURRENT_USER\\Software\\TarnCompatTests\\S\\InprocServer32]\n"
                    "@=\"/opt/a b/lib%0025.so\"\n"
                    "[HKEY_CURRENT_USER\\Software\\TarnCompatTests\\S\\ProgID]\n@=\"Say %0022h\xC3\xA9%0022%000A\"\n");
    // By hand: CR LF, comments, a key named twice, a surrogate pair in UTF-8.
    std::ofstream(StorePath(), std::ios::binary)
        << text << "; a comment\r\n\r\n[hkey_current_user\\software\\tarncompattests]\r\n\"Name\"=\"\xF0\x9F\x98\x80\"\r\n";
    EXPECT_EQ(Text(m_Base, OLESTR("Name")), OleString({0xD83D, 0xDE00}));
}

// A damaged store reads as empty and refuses changes, so that nothing of it is lost.
TEST_F(Registry, DamagedStoreIsNeverOverwritten) {
    std::string deep = "tarn-registry 1\n[HKEY_CURRENT_USER";
    for (int depth = 0; depth < 513; ++depth) deep += "\\k";
    for (const std::string& text : {std::string("[HKEY_CURRENT_USER\\A]\n"), std::string("tarn-registry 1\n@=\"x\"\n"),
                                    std::string("tarn-registry 1\n[HKEY_LOCAL_MACHINE\\A]\n"),
                                    std::string("tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"%12\"\n"),
                                    std::string("tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"\xC0\xAF\"\n"),
                                    std::string("tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"x\"!1\n"), deep + "]\n"}) {
        std::ofstream(StorePath(), std::ios::binary) << text;
        EXPECT_EQ(SetText(HKEY_CURRENT_USER, OLESTR("B"), nullptr, OLESTR("x")), ERROR_BADDB);
        EXPECT_EQ(ReadFile(StorePath()), text);
    }
}

// Each change reads and replaces the whole file: without the lock, writers in two processes
// would lose each other's values.
TEST_F(Registry, ParallelWritersLoseNothing) {
    const auto write = [](char prefix) {
        bool wrote = true;
        for (OLECHAR i = 0; i < 40; ++i)
            wrote &= SetText(HKEY_CURRENT_USER, OLESTR("Software\\TarnCompatTests"), OleString{OLECHAR(prefix), OLECHAR(u'0' + i)}.c_str(), OLESTR("x")) == ERROR_SUCCESS;
        return wrote;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(write('p') ? 0 : 1);
    EXPECT_TRUE(write('m'));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (char prefix : {'p', 'm'})
        for (OLECHAR i = 0; i < 40; ++i) EXPECT_EQ(Text(m_Base, OleString{OLECHAR(prefix), OLECHAR(u'0' + i)}.c_str()), OLESTR("x"));
}
#endif

}  // namespace

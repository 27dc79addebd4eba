// Registry keys and REG_SZ values: the same cases against the store file (POSIX) and the
// registry itself (Wine); the store file's own text and behaviour natively.
#include "tests/compat/RegistryTest.h"

#include <cstring>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>
#endif

namespace {

using tarn::test::OleString;
using tarn::test::RegistryTest;

class Registry : public RegistryTest {
protected:
    static LSTATUS Open(HKEY parent, const OLECHAR* path) {
        HKEY key = nullptr;
        const LSTATUS status = RegOpenKeyExW(parent, path, 0, KEY_READ, &key);
        EXPECT_EQ(key != nullptr, status == ERROR_SUCCESS);
        RegCloseKey(key);
        return status;
    }
};

// Values keep every byte (a NUL inside, surrogates, characters the store file escapes) and are
// read by the Windows size rules.
TEST_F(Registry, ValuesRoundTripByteForByte) {
    const OLECHAR unusual[] = {u'%', u'"', u'[', u']', u'\\', u'\n', u'\t', 0, u'=', 0xD800, u'x', 0xDC00, 0xD83D, 0xDE00, 0x20AC, 0};
    const struct {
        const void* data;
        DWORD bytes;
    } cases[] = {
        {unusual, sizeof unusual},
        {OLESTR(""), sizeof(OLECHAR)},
#ifndef _WIN32
        {"abc", 3},   // Windows keeps this as given too; Wine adds a NUL
#endif
    };
    for (const auto& c : cases) {
        ASSERT_EQ(RegSetValueExW(m_Base, OLESTR("Value"), 0, REG_SZ, static_cast<const BYTE*>(c.data), c.bytes), ERROR_SUCCESS);
        char buffer[64] = {};
        for (DWORD given : {c.bytes - 1, DWORD(sizeof buffer)}) {   // one byte short, then room enough
            DWORD size = given, type = 0;
            EXPECT_EQ(RegQueryValueExW(m_Base, OLESTR("vALUE"), nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size),
                      given < c.bytes ? ERROR_MORE_DATA : ERROR_SUCCESS);
            EXPECT_EQ(size, c.bytes);
            EXPECT_EQ(type, DWORD(REG_SZ));
        }
        EXPECT_EQ(std::memcmp(buffer, c.data, c.bytes), 0);
    }
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(m_Base, OLESTR("Missing"), nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    // The default value answers to a null name and to an empty one.
    ASSERT_EQ(SetText(m_Base, OleString(), OLESTR(""), OLESTR("default")), ERROR_SUCCESS);
    EXPECT_EQ(Text(m_Base, nullptr), OLESTR("default"));
}

// Keys come with their parents and are found ignoring case; a key with subkeys goes only with
// its whole tree.
TEST_F(Registry, KeysAreCreatedFoundAndDeleted) {
    ASSERT_EQ(SetText(m_Base, OLESTR("Tree\\Leaf"), OLESTR("v"), OLESTR("1")), ERROR_SUCCESS);
    EXPECT_EQ(Open(m_Base, OLESTR("tREE\\lEAF")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("Tree")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("Tree\\Missing")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(m_Base, OLESTR("TREE\\leaf")), ERROR_SUCCESS);
    ASSERT_EQ(SetText(m_Base, OLESTR("Tree\\Leaf\\Deeper"), OLESTR("v"), OLESTR("3")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(m_Base, OLESTR("Tree")), ERROR_SUCCESS);
    EXPECT_EQ(Open(m_Base, OLESTR("Tree")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeW(m_Base, OLESTR("Tree")), ERROR_FILE_NOT_FOUND);
}

#ifndef _WIN32
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class RegistryStore : public Registry {
protected:
    void WriteStore(const std::string& text) { std::ofstream(StorePath(), std::ios::binary) << text; }
};

// What is written reads back, and the file holds it as readable text in Windows order.
TEST_F(RegistryStore, TextRoundTrips) {
    const OleString path = OLESTR("Software\\TarnCompatTests\\Server");
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, path + OLESTR("\\InprocServer32"), nullptr, OLESTR("/opt/a b/lib%.so")), ERROR_SUCCESS);
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, path + OLESTR("\\InprocServer32"), OLESTR("ThreadingModel"), OLESTR("Apartment")),
              ERROR_SUCCESS);
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, path + OLESTR("\\ProgID"), nullptr, OLESTR("Say \"h\u00e9\"\n")), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const char bytes[] = {'o', 0, 'd'};   // no NUL at the end, and an odd length
    ASSERT_EQ(RegSetValueExW(key, OLESTR("Odd"), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes), 3), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string text = ReadFile(StorePath());
    EXPECT_EQ(text,
              "tarn-registry 1\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "[HKEY_CURRENT_USER\\Software\\TarnCompatTests]\n"
              "[HKEY_CURRENT_USER\\Software\\TarnCompatTests\\Server]\n"
              "\"Odd\"=\"o\"!64\n"
              "[HKEY_CURRENT_USER\\Software\\TarnCompatTests\\Server\\InprocServer32]\n"
              "@=\"/opt/a b/lib%0025.so\"\n"
              "\"ThreadingModel\"=\"Apartment\"\n"
              "[HKEY_CURRENT_USER\\Software\\TarnCompatTests\\Server\\ProgID]\n"
              "@=\"Say %0022h\xC3\xA9%0022%000A\"\n");
    // Written by hand: CR LF, comments, a key named twice, a surrogate pair in UTF-8.
    WriteStore(text + "; a comment\r\n\r\n[hkey_current_user\\software\\tarncompattests\\server\\progid]\r\n"
                      "\"Name\"=\"\xF0\x9F\x98\x80\"\r\n");
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (path + OLESTR("\\ProgID")).c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Text(key, OLESTR("Name")), OleString({0xD83D, 0xDE00}));
    EXPECT_EQ(Text(key, nullptr), OLESTR("Say \"h\u00e9\"\n"));
    RegCloseKey(key);
}

// A damaged store reads as empty and refuses changes, so that nothing of it is lost.
TEST_F(RegistryStore, DamagedTextIsNeverOverwritten) {
    std::string deep = "tarn-registry 1\n[HKEY_CURRENT_USER";
    for (int depth = 0; depth < 513; ++depth) deep += "\\k";
    const std::string damaged[] = {
        "[HKEY_CURRENT_USER\\A]\n",   // no header
        "tarn-registry 1\n@=\"value before any key\"\n",
        "tarn-registry 1\n[HKEY_LOCAL_MACHINE\\A]\n",   // not a root here
        "tarn-registry 1\n[HKEY_CURRENT_USER\\\\A]\n",  // empty key name
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"unterminated\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"bad escape %12\"\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"overlong \xC0\xAF\"\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"x\"!1\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\nname=\"unquoted name\"\n",
        deep + "]\n",
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text.substr(0, 60));
        WriteStore(text);
        EXPECT_EQ(Open(HKEY_CURRENT_USER, OLESTR("A")), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(SetText(HKEY_CURRENT_USER, OLESTR("B"), nullptr, OLESTR("x")), ERROR_BADDB);
        EXPECT_EQ(ReadFile(StorePath()), text);
    }
}

// Each change reads and replaces the whole file: without the lock, writers would lose each
// other's values.
TEST_F(RegistryStore, ParallelWritersLoseNothing) {
    constexpr int kValues = 40;
    const auto write = [](const char* prefix) {
        for (int i = 0; i < kValues; ++i) {
            const std::string name = prefix + std::to_string(i);
            if (SetText(HKEY_CURRENT_USER, OLESTR("Software\\TarnCompatTests"), OleString(name.begin(), name.end()).c_str(),
                        OLESTR("x")) != ERROR_SUCCESS)
                return false;
        }
        return true;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(write("process") ? 0 : 1);
    bool threadWrote = false;
    std::thread thread([&] { threadWrote = write("thread"); });
    EXPECT_TRUE(write("main"));
    thread.join();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(threadWrote);
    for (const char* prefix : {"process", "thread", "main"})
        for (int i = 0; i < kValues; ++i) {
            const std::string name = prefix + std::to_string(i);
            EXPECT_EQ(Text(m_Base, OleString(name.begin(), name.end()).c_str()), OLESTR("x")) << name;
        }
}
#endif

}  // namespace

// The registry store file: its text, its place, damage, and writers in parallel.
#include "tests/compat/RegistryTest.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using tarn::test::OleString;
using tarn::test::RegistryTest;
using tarn::test::ScopedEnvironment;
using tarn::test::TempDir;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class RegistryStore : public RegistryTest {
protected:
    void WriteStore(const std::string& text) { std::ofstream(StorePath(), std::ios::binary) << text; }
};

TEST_F(RegistryStore, IsReadableTextInWindowsOrder) {
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

    EXPECT_EQ(ReadFile(StorePath()),
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
}

TEST_F(RegistryStore, HandWrittenTextIsRead) {
    WriteStore("tarn-registry 1\r\n"
               "; a comment\r\n"
               "\r\n"
               "[HKEY_CLASSES_ROOT\\Tarn.Hand\\CLSID]\r\n"   // parents come with it
               "@=\"{00000000-0000-0000-C000-000000000046}\"\r\n"
               "\"Extra\"=\"\"!\r\n"
               "[hkey_classes_root\\tarn.hand]\r\n"          // the same key again
               "\"Name\"=\"\xF0\x9F\x98\x80\"\r\n");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, OLESTR("Tarn.Hand"), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(key), std::vector<std::string>{"CLSID"});
    EXPECT_EQ(Text(key, OLESTR("Name")), OleString({0xD83D, 0xDE00}));
    RegCloseKey(key);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(OLESTR("tarn.hand"), &clsid), S_OK);
    EXPECT_EQ(clsid, IID_IUnknown);
}

// A damaged store reads as empty and refuses changes, so that nothing of it is lost.
TEST_F(RegistryStore, DamagedTextIsNeverOverwritten) {
    const char* damaged[] = {
        "[HKEY_CURRENT_USER\\A]\n",                                 // no header
        "tarn-registry 1\n@=\"value before any key\"\n",
        "tarn-registry 1\n[HKEY_LOCAL_MACHINE\\A]\n",               // not a root here
        "tarn-registry 1\n[HKEY_CURRENT_USER\\\\A]\n",              // empty key name
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"unterminated\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"bad escape %12\"\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"overlong \xC0\xAF\"\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\n@=\"x\"!1\n",
        "tarn-registry 1\n[HKEY_CURRENT_USER\\A]\nname=\"unquoted name\"\n",
    };
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        WriteStore(text);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, OLESTR("A"), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(SetText(HKEY_CURRENT_USER, OLESTR("B"), nullptr, OLESTR("x")), ERROR_BADDB);
        EXPECT_EQ(ReadFile(StorePath()), text);
    }
    std::string path = "tarn-registry 1\n[HKEY_CURRENT_USER";
    for (int depth = 0; depth < 513; ++depth) path += "\\k";
    WriteStore(path + "]\n");
    EXPECT_EQ(SetText(HKEY_CURRENT_USER, OLESTR("B"), nullptr, OLESTR("x")), ERROR_BADDB);

    std::filesystem::remove(StorePath());
    std::filesystem::create_directory(StorePath());   // not a file at all
    EXPECT_EQ(SetText(HKEY_CURRENT_USER, OLESTR("B"), nullptr, OLESTR("x")), ERROR_BADDB);
}

TEST_F(RegistryStore, LivesWhereTheEnvironmentSays) {
    const TempDir home;
    const std::string base = home.path().string();
    using Variable = std::optional<std::string>;
    const struct {
        Variable registry;
        Variable config;
        std::string expected;
    } cases[] = {
        {base + "/chosen/store", base + "/ignored", base + "/chosen/store"},
        {std::nullopt, base + "/xdg", base + "/xdg/tarn/registry"},
        {std::string(), std::nullopt, base + "/.config/tarn/registry"},
        {std::nullopt, std::string("relative"), base + "/.config/tarn/registry"},   // XDG wants absolute paths
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        ScopedEnvironment environment;
        environment.Set("TARN_REGISTRY", c.registry);
        environment.Set("XDG_CONFIG_HOME", c.config);
        environment.Set("HOME", base);
        ASSERT_EQ(SetText(HKEY_CURRENT_USER, OLESTR("Placed"), nullptr, OLESTR("here")), ERROR_SUCCESS);
        EXPECT_TRUE(std::filesystem::is_regular_file(c.expected));
        std::filesystem::remove(c.expected);
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

TEST_F(RegistryStore, UnsupportedInputIsRefused) {
    const DWORD number = 1;
    EXPECT_EQ(RegSetValueExW(m_Base, OLESTR("n"), 0, 4 /* REG_DWORD */, reinterpret_cast<const BYTE*>(&number), 4),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(m_Base, OLESTR("\\leading"), 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
}

}  // namespace

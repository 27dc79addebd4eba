// The registrar on scripts of the registry script's shape, in a registry of the test's own.
#include <gtest/gtest.h>

#include "component/Registrar.h"
#include "platform/platform.h"
#include "tests/platform/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

namespace tarn::test {
namespace {

using component::Registrar;

constexpr char16_t kScript[] = uR"(HKCU
{
    NoRemove Software
    {
        NoRemove TarnRegistrarTests
        {
            Tarn.Thing.1 = s 'Thing ''one'''
            {
                CLSID = s '{00000000-0000-0000-0000-00000000000A}'
            }
            ForceRemove {00000000-0000-0000-0000-00000000000A} = s 'Thing'
            {
                ForceRemove 'Programmable'
                InprocServer32 = s '%MODULE%'
                {
                    val ThreadingModel = s 'Apartment'
                }
            }
        }
    }
})";

using OleString = std::basic_string<OLECHAR>;

const OleString kTestKey = OLESTR("Software\\TarnRegistrarTests");
const OleString kClass = kTestKey + OLESTR("\\{00000000-0000-0000-0000-00000000000A}");

// A registry of the test's own: on POSIX a store file in a fresh folder; on Windows the real
// registry, below a key no other suite uses (suites run in parallel), deleted before and after.
class RegistrarTest : public testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        environment.Set("TARN_REGISTRY", folder.file("registry"));
#endif
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey.c_str());
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey.c_str()); }

    bool Exists(const OleString& path) { return Value(path) != OLESTR("<no key>"); }
    // A short text value, or a marker when the key or value is missing.
    OleString Value(const OleString& path, const OLECHAR* name = nullptr) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return OLESTR("<no key>");
        OLECHAR text[128] = {};
        DWORD bytes = sizeof text - sizeof(OLECHAR);
        const LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &bytes);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? OleString(text) : OleString(OLESTR("<no value>"));
    }
    TempDir folder;
    ScopedEnvironment environment;
    Registrar registrar;
};

// Registration writes every key and value with the replacements; a second one rewrites the
// ForceRemove key whole (what was added below it goes), and unregistration removes all but the
// NoRemove keys.
TEST_F(RegistrarTest, RegisterTwiceThenUnregister) {
    registrar.AddReplacement(u"MODULE", u"/opt/thing.so");
    ASSERT_EQ(registrar.Register(kScript), S_OK);
    EXPECT_EQ(Value(kTestKey + OLESTR("\\Tarn.Thing.1")), OleString(OLESTR("Thing 'one'")));
    EXPECT_EQ(Value(kClass + OLESTR("\\InprocServer32")), OleString(OLESTR("/opt/thing.so")));
    EXPECT_EQ(Value(kClass + OLESTR("\\InprocServer32"), OLESTR("ThreadingModel")), OleString(OLESTR("Apartment")));
    EXPECT_TRUE(Exists(kClass + OLESTR("\\Programmable")));
    HKEY stray = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kClass + OLESTR("\\Stray")).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &stray, nullptr), ERROR_SUCCESS);
    RegCloseKey(stray);
    ASSERT_EQ(registrar.Register(kScript), S_OK);
    EXPECT_FALSE(Exists(kClass + OLESTR("\\Stray")));
    EXPECT_TRUE(Exists(kClass + OLESTR("\\InprocServer32")));

    ASSERT_EQ(registrar.Unregister(kScript), S_OK);
    EXPECT_FALSE(Exists(kClass));
    EXPECT_FALSE(Exists(kTestKey + OLESTR("\\Tarn.Thing.1")));
    EXPECT_TRUE(Exists(kTestKey));
    // Nothing left to remove is no failure.
    EXPECT_EQ(registrar.Unregister(kScript), S_OK);
}

TEST_F(RegistrarTest, ScriptsThatDoNotParseWriteNothing) {
    const char16_t* const bad[] = {
        u"HKCU { NoRemove Software { NoRemove TarnRegistrarTests { A = s 'unterminated } } }",
        u"HKCU { NoRemove Software { NoRemove TarnRegistrarTests { A = s 'x' } }",   // a brace short
        u"HKLM { Software }",                                                   // no such root here
        u"HKCU { NoRemove Software { NoRemove TarnRegistrarTests { A = d '1' } } }", // not a text
    };
    for (const char16_t* script : bad) {
        EXPECT_EQ(registrar.Register(script), E_INVALIDARG) << platform::FileNameFromWide(script);
        EXPECT_EQ(registrar.Unregister(script), E_INVALIDARG);
    }
    EXPECT_FALSE(Exists(kTestKey + OLESTR("\\A")));
    // Nesting deeper than any real script: refused, not a stack overflow.
    std::u16string deep = u"HKCU {";
    for (int i = 0; i < 10000; ++i) deep += u" K {";
    EXPECT_EQ(registrar.Register(deep), E_INVALIDARG);
}

}  // namespace
}  // namespace tarn::test

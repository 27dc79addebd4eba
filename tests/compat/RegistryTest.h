// A registry for one test to write in. POSIX: a store file in a fresh temporary folder, named
// by TARN_REGISTRY. Windows: the real registry; the test's keys are deleted before and after.
#pragma once

#include "tests/compat/CompatTest.h"
#include "tests/platform/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tarn::test {

class RegistryTest : public ::testing::Test {
protected:
    // Every test works below this key of HKEY_CURRENT_USER.
    static constexpr const OLECHAR* kBase = OLESTR("Software\\TarnCompatTests");

    void SetUp() override {
#ifndef _WIN32
        m_Environment.Set("TARN_REGISTRY", StorePath());
#endif
        Owns(HKEY_CURRENT_USER, kBase);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kBase, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &m_Base, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(m_Base);
        for (const auto& key : m_Owned) RegDeleteTreeW(key.first, key.second.c_str());
    }

    // A key the test writes; deleted before the test (a run that crashed may have left it) and after.
    void Owns(HKEY root, const OleString& path) {
        RegDeleteTreeW(root, path.c_str());
        m_Owned.emplace_back(root, path);
    }
    std::string StorePath() const { return m_Folder.file("registry"); }

    static OleString Text(HKEY key, const OLECHAR* name) {
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return OLESTR("<missing>");
        OleString text(size / sizeof(OLECHAR), 0);
        EXPECT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&text[0]), &size), ERROR_SUCCESS);
        if (!text.empty() && text.back() == 0) text.pop_back();
        return text;
    }
    // Creates root\path and sets its value name (nullptr: the default value) to text with its NUL.
    static LSTATUS SetText(HKEY root, const OleString& path, const OLECHAR* name, const OleString& text) {
        HKEY key = nullptr;
        LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                         nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS) return status;
        status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                DWORD((text.size() + 1) * sizeof(OLECHAR)));
        RegCloseKey(key);
        return status;
    }
    static std::vector<std::string> Subkeys(HKEY key) {
        std::vector<std::string> names;
        OLECHAR name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.push_back(Ascii(name, length));
        }
        return names;
    }

    HKEY m_Base = nullptr;

private:
    TempDir m_Folder;
#ifndef _WIN32
    ScopedEnvironment m_Environment;
#endif
    std::vector<std::pair<HKEY, OleString>> m_Owned;
};

}  // namespace tarn::test

// A registry for one test: a fresh store file (POSIX), or keys deleted before and after (Windows).
#pragma once

#include "tests/compat/CompatTest.h"
#include "tests/platform/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarn::test {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Environment.Set("TARN_REGISTRY", StorePath());   // the real registry ignores it
        Owns(HKEY_CURRENT_USER, OLESTR("Software\\TarnCompatTests"));
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, OLESTR("Software\\TarnCompatTests"), 0, nullptr, 0, KEY_ALL_ACCESS,
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
        OLECHAR text[64] = {};
        DWORD size = sizeof text - sizeof(OLECHAR);
        const LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size);
        return status == ERROR_SUCCESS ? OleString(text) : OLESTR("<missing>");
    }
    // Creates root\path and sets its value name (nullptr: the default value) to text with its NUL.
    static LSTATUS SetText(HKEY root, const OleString& path, const OLECHAR* name, const OleString& text) {
        HKEY key = nullptr;
        LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS)
            status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD((text.size() + 1) * 2));
        RegCloseKey(key);
        return status;
    }

    HKEY m_Base = nullptr;

private:
    TempDir m_Folder;
    ScopedEnvironment m_Environment;
    std::vector<std::pair<HKEY, OleString>> m_Owned;
};

}  // namespace tarn::test

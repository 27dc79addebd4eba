// The registry calls: handles name key paths; every call goes to the store file.
#include "compat/posix/internal.h"
#include "compat/posix/registry_store.h"

#include <cstring>
#include <mutex>
#include <new>

namespace {

using tarn::compat::registry::Key;
using tarn::compat::registry::KeyPath;
using tarn::compat::registry::StoreFile;
using tarn::compat::registry::Tree;

// A caller's subkey path: at most this many characters are read.
constexpr std::size_t kMaxPathText = (tarn::compat::registry::kMaxKeyName + 1) * tarn::compat::registry::kMaxDepth;

class KeyHandles {
public:
    // Never destroyed: keys may be closed from static destructors.
    static KeyHandles& Instance() {
        static KeyHandles* handles = new KeyHandles;
        return *handles;
    }

    HKEY Add(KeyPath key) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return reinterpret_cast<HKEY>(m_Keys.Add(std::move(key)));
    }

    bool Remove(HKEY hKey) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Keys.Erase(reinterpret_cast<std::uintptr_t>(hKey));
    }

    // The predefined roots are always open.
    bool Resolve(HKEY hKey, KeyPath& key) {
        if (hKey == HKEY_CLASSES_ROOT || hKey == HKEY_CURRENT_USER) {
            key = {hKey == HKEY_CLASSES_ROOT ? Tree::kClassesRoot : Tree::kCurrentUser};
            return true;
        }
        std::lock_guard<std::mutex> lock(m_Mutex);
        const KeyPath* found = m_Keys.Find(reinterpret_cast<std::uintptr_t>(hKey));
        if (!found) return false;
        key = *found;
        return true;
    }

private:
    std::mutex m_Mutex;
    tarn::compat::HandleMap<KeyPath> m_Keys{0x20010};
};

bool IsPredefined(HKEY hKey) { return hKey == HKEY_CLASSES_ROOT || hKey == HKEY_CURRENT_USER; }

// The components of a caller's subkey path (null: none). A trailing '\' is allowed; an empty
// component elsewhere is not.
LSTATUS ParseSubKey(LPCWSTR text, std::size_t baseDepth, KeyPath& path) {
    path.clear();
    if (!text) return ERROR_SUCCESS;
    std::u16string whole;
    if (!tarn::compat::ReadBoundedText(text, kMaxPathText, whole)) return ERROR_INVALID_PARAMETER;
    if (!whole.empty() && whole.back() == u'\\') whole.pop_back();
    if (whole.empty()) return ERROR_SUCCESS;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(whole.find(u'\\', start), whole.size());
        if (end == start) return ERROR_BAD_PATHNAME;
        if (end - start > tarn::compat::registry::kMaxKeyName) return ERROR_INVALID_PARAMETER;
        path.push_back(whole.substr(start, end - start));
        if (end == whole.size()) break;
        start = end + 1;
    }
    // The root is not counted in the depth.
    return baseDepth - 1 + path.size() > tarn::compat::registry::kMaxDepth ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

// The handle's key and the subkey path below it.
LSTATUS Locate(HKEY hKey, LPCWSTR subKey, KeyPath& base, KeyPath& below) {
    if (!KeyHandles::Instance().Resolve(hKey, base)) return ERROR_INVALID_HANDLE;
    return ParseSubKey(subKey, base.size(), below);
}

KeyPath Join(const KeyPath& base, const KeyPath& below) {
    KeyPath path = base;
    path.insert(path.end(), below.begin(), below.end());
    return path;
}

// The key at below under the handle's key; ERROR_FILE_NOT_FOUND when one on the way is missing
// (also the handle's own, deleted meanwhile).
LSTATUS FindKey(Tree& tree, const KeyPath& base, const KeyPath& below, Key*& key) {
    key = tree.Find(Join(base, below));
    return key ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

bool ReadValueName(LPCWSTR text, std::u16string& name) {
    if (!text) {
        name.clear();
        return true;
    }
    return tarn::compat::ReadBoundedText(text, tarn::compat::registry::kMaxValueName, name);
}

// No exception leaves a registry call; the only ones possible come from allocation.
template <typename Call>
LSTATUS Guarded(Call call) {
    try {
        return call();
    } catch (const std::exception&) {
        return ERROR_OUTOFMEMORY;
    }
}

}  // namespace

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                               PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Guarded([&] {
        KeyPath base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        bool created = false;
        const LSTATUS status = StoreFile::Modify([&](Tree& tree, bool& changed) {
            Key* key = tree.Find(base);
            if (!key) return ERROR_FILE_NOT_FOUND;
            for (const std::u16string& name : below) {
                bool added = false;
                key = &key->Add(name, added);
                created = created || added;
            }
            changed = created;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
        *phkResult = KeyHandles::Instance().Add(Join(base, below));
        if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Guarded([&] {
        KeyPath base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        Tree tree = StoreFile::Read();
        Key* key = nullptr;
        if (const LSTATUS status = FindKey(tree, base, below, key)) return status;
        *phkResult = KeyHandles::Instance().Add(Join(base, below));
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    if (IsPredefined(hKey)) return ERROR_SUCCESS;
    return KeyHandles::Instance().Remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    return Guarded([&] {
        KeyPath base;
        if (!KeyHandles::Instance().Resolve(hKey, base)) return ERROR_INVALID_HANDLE;
        std::u16string name;
        if (dwType != REG_SZ || (!lpData && cbData != 0) || !ReadValueName(lpValueName, name))
            return ERROR_INVALID_PARAMETER;
        if (cbData > tarn::compat::registry::kMaxStoreBytes) return ERROR_OUTOFMEMORY;
        const std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
        return StoreFile::Modify([&](Tree& tree, bool& changed) {
            Key* key = nullptr;
            if (const LSTATUS status = FindKey(tree, base, {}, key)) return status;
            changed = key->SetValue(name, data);
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return Guarded([&] {
        KeyPath base;
        if (!KeyHandles::Instance().Resolve(hKey, base)) return ERROR_INVALID_HANDLE;
        Tree tree = StoreFile::Read();
        Key* key = nullptr;
        if (const LSTATUS status = FindKey(tree, base, {}, key)) return status;
        std::u16string name;
        const std::string* data = ReadValueName(lpValueName, name) ? key->FindValue(name) : nullptr;
        if (!data) return ERROR_FILE_NOT_FOUND;
        if (lpType) *lpType = REG_SZ;
        const DWORD size = static_cast<DWORD>(data->size());
        LSTATUS status = ERROR_SUCCESS;
        if (lpData && *lpcbData < size)
            status = ERROR_MORE_DATA;
        else if (lpData)
            std::memcpy(lpData, data->data(), size);
        if (lpcbData) *lpcbData = size;
        return status;
    });
}

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    return Guarded([&] {
        KeyPath base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        const KeyPath path = Join(base, below);
        if (path.size() < 2) return ERROR_ACCESS_DENIED;   // a root stays
        return StoreFile::Modify([&](Tree& tree, bool& changed) {
            Key* key = nullptr;
            if (const LSTATUS status = FindKey(tree, base, below, key)) return status;
            if (!key->Subkeys().empty()) return ERROR_ACCESS_DENIED;
            Key* parent = tree.Find(KeyPath(path.begin(), path.end() - 1));
            changed = parent->Remove(path.back());
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    return Guarded([&] {
        KeyPath base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        if (below.empty()) return ERROR_INVALID_PARAMETER;
        return StoreFile::Modify([&](Tree& tree, bool& changed) {
            Key* key = nullptr;
            if (const LSTATUS status = FindKey(tree, base, below, key)) return status;
            const KeyPath path = Join(base, below);
            changed = tree.Find(KeyPath(path.begin(), path.end() - 1))->Remove(path.back());
            return ERROR_SUCCESS;
        });
    });
}

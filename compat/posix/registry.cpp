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

struct OpenKey {
    KeyPath m_Path;
    REGSAM m_Access;
};

class KeyHandles {
public:
    // Never destroyed: keys may be closed from static destructors.
    static KeyHandles& Instance() {
        static KeyHandles* handles = new KeyHandles;
        return *handles;
    }

    HKEY Add(OpenKey key) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return reinterpret_cast<HKEY>(m_Keys.Add(std::move(key)));
    }

    bool Remove(HKEY hKey) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Keys.Erase(reinterpret_cast<std::uintptr_t>(hKey));
    }

    // The predefined roots are always open, with every right.
    bool Resolve(HKEY hKey, OpenKey& key) {
        if (hKey == HKEY_CLASSES_ROOT || hKey == HKEY_CURRENT_USER) {
            key = OpenKey{{hKey == HKEY_CLASSES_ROOT ? Tree::kClassesRoot : Tree::kCurrentUser}, KEY_ALL_ACCESS};
            return true;
        }
        std::lock_guard<std::mutex> lock(m_Mutex);
        const OpenKey* found = m_Keys.Find(reinterpret_cast<std::uintptr_t>(hKey));
        if (!found) return false;
        key = *found;
        return true;
    }

private:
    std::mutex m_Mutex;
    tarn::compat::HandleMap<OpenKey> m_Keys{0x20010};
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
LSTATUS Locate(HKEY hKey, LPCWSTR subKey, OpenKey& base, KeyPath& below) {
    if (!KeyHandles::Instance().Resolve(hKey, base)) return ERROR_INVALID_HANDLE;
    return ParseSubKey(subKey, base.m_Path.size(), below);
}

KeyPath Join(const KeyPath& base, const KeyPath& below) {
    KeyPath path = base;
    path.insert(path.end(), below.begin(), below.end());
    return path;
}

// The key at below under the handle's key: ERROR_KEY_DELETED when the handle's own key is
// gone, ERROR_FILE_NOT_FOUND when something below it is missing.
LSTATUS FindKey(Tree& tree, const OpenKey& base, const KeyPath& below, Key*& key) {
    key = tree.Find(base.m_Path);
    if (!key) return ERROR_KEY_DELETED;
    for (const std::u16string& name : below)
        if (!(key = key->Find(name))) return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

bool ReadValueName(LPCWSTR text, std::u16string& name) {
    if (!text) {
        name.clear();
        return true;
    }
    return tarn::compat::ReadBoundedText(text, tarn::compat::registry::kMaxValueName, name);
}

// The handle and its key in the current store, for the calls that only read.
LSTATUS ReadKey(HKEY hKey, REGSAM needed, Tree& tree, Key*& key) {
    OpenKey base;
    if (!KeyHandles::Instance().Resolve(hKey, base)) return ERROR_INVALID_HANDLE;
    if ((base.m_Access & needed) != needed) return ERROR_ACCESS_DENIED;
    tree = StoreFile::Read();
    return FindKey(tree, base, {}, key);
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

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                               LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Guarded([&] {
        OpenKey base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        bool created = false;
        const LSTATUS status = StoreFile::Modify([&](Tree& tree, bool& changed) {
            Key* key = tree.Find(base.m_Path);
            if (!key) return ERROR_KEY_DELETED;
            for (const std::u16string& name : below) {
                Key* next = key->Find(name);
                if (!next) {
                    // The first key made needs the right on the parent; the rest lie below it.
                    if (!created && !(base.m_Access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
                    next = &key->Add(name, created);
                }
                key = next;
            }
            changed = created;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
        *phkResult = KeyHandles::Instance().Add(OpenKey{Join(base.m_Path, below), samDesired});
        if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Guarded([&] {
        OpenKey base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        Tree tree = StoreFile::Read();
        Key* key = nullptr;
        if (const LSTATUS status = FindKey(tree, base, below, key)) return status;
        *phkResult = KeyHandles::Instance().Add(OpenKey{Join(base.m_Path, below), samDesired});
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    if (IsPredefined(hKey)) return ERROR_SUCCESS;
    return KeyHandles::Instance().Remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    return Guarded([&] {
        OpenKey base;
        if (!KeyHandles::Instance().Resolve(hKey, base)) return ERROR_INVALID_HANDLE;
        if (!(base.m_Access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
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
        Tree tree;
        Key* key = nullptr;
        if (const LSTATUS status = ReadKey(hKey, KEY_QUERY_VALUE, tree, key)) return status;
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
        OpenKey base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        const KeyPath path = Join(base.m_Path, below);
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
        OpenKey base;
        KeyPath below;
        if (const LSTATUS status = Locate(hKey, lpSubKey, base, below)) return status;
        return StoreFile::Modify([&](Tree& tree, bool& changed) {
            Key* key = nullptr;
            if (const LSTATUS status = FindKey(tree, base, below, key)) return status;
            if (below.empty()) {
                changed = !key->Values().empty() || !key->Subkeys().empty();
                key->Clear();
            } else {
                const KeyPath path = Join(base.m_Path, below);
                changed = tree.Find(KeyPath(path.begin(), path.end() - 1))->Remove(path.back());
            }
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
                             LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    return Guarded([&] {
        Tree tree;
        Key* key = nullptr;
        if (const LSTATUS status = ReadKey(hKey, KEY_ENUMERATE_SUB_KEYS, tree, key)) return status;
        if (dwIndex >= key->Subkeys().size()) return ERROR_NO_MORE_ITEMS;
        const std::u16string& name = key->Subkeys()[dwIndex].Name();
        if (name.size() >= *lpcchName) return ERROR_MORE_DATA;
        name.copy(lpName, name.size());
        lpName[name.size()] = 0;
        *lpcchName = static_cast<DWORD>(name.size());
        if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = 0;
        if (lpcchClass) *lpcchClass = 0;
        if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

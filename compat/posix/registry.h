// The registry calls that registration and activation make, with the Windows names and results,
// over a store file shared by the user's processes.
//
// The store is the file $TARN_REGISTRY, else $XDG_CONFIG_HOME/tarn/registry (when that is an
// absolute path), else $HOME/.config/tarn/registry; writes create its folder. Unless
// $TARN_REGISTRY is set, reads also see the machine's store (TARN_SYSTEM_REGISTRY, written by
// the package): its HKEY_CLASSES_ROOT keys and values that the user's store lacks. Every call reads
// the file afresh under a shared lock; every change reads, changes and replaces it (temporary
// file and rename) under an exclusive lock, so processes see each other's writes at once. A
// store that cannot be read or parsed reads as empty, and changes then fail (ERROR_BADDB for a
// damaged file, ERROR_ACCESS_DENIED for one that cannot be read) without touching it.
//
// Two roots, HKEY_CLASSES_ROOT and HKEY_CURRENT_USER, kept apart. Key and value names compare
// ignoring ASCII case; key names are 1 to 255 characters without '\', value names at most
// 16,383; a value name that is null or empty is the key's default value. Values are REG_SZ
// only, stored byte for byte as given. A handle names a key by its path (a key deleted through
// another handle is not found). No access rights are checked: every handle may do everything.
#pragma once

#include "compat/posix/types.h"

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))

#define KEY_READ 0x20019
#define KEY_ALL_ACCESS 0xF003F

#define REG_SZ 1
#define REG_OPTION_NON_VOLATILE 0x00000000
#define REG_CREATED_NEW_KEY 0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                               REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                               LPDWORD lpdwDisposition);
LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LSTATUS WINAPI RegCloseKey(HKEY hKey);
// REG_SZ only (other types: ERROR_INVALID_PARAMETER); cbData bytes are stored as they are.
LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData);
// *lpcbData is the value's size in bytes afterwards. lpData null: only the size. A buffer
// too small: ERROR_MORE_DATA and nothing copied.
LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData);
// A key that has subkeys: ERROR_ACCESS_DENIED. An empty lpSubKey deletes hKey's own key.
LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
// The subkey whole (a null or empty lpSubKey: ERROR_INVALID_PARAMETER).
LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);

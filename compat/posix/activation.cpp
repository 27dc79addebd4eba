// Apartments (a per-thread count), class objects registered in the process, and activation
// through the registry store.
#include "compat/posix/internal.h"
#include "compat/posix/server_modules.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <new>
#include <vector>

#include "platform/platform.h"

namespace {

struct Apartment {
    unsigned m_Initialisations = 0;
    DWORD m_Model = COINIT_MULTITHREADED;
};
thread_local Apartment t_Apartment;

class ClassObjects {
public:
    // Never destroyed: registrations may be revoked from static destructors.
    static ClassObjects& Instance() {
        static ClassObjects* objects = new ClassObjects;
        return *objects;
    }

    DWORD Register(REFCLSID clsid, IUnknown* object, DWORD context) {
        object->AddRef();
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (++m_LastCookie == 0) ++m_LastCookie;   // 0 is never a cookie
        m_Registrations.push_back(Registration{m_LastCookie, clsid, object, context});
        return m_LastCookie;
    }

    // The object to release, or nullptr for an unknown cookie.
    IUnknown* Revoke(DWORD cookie) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const auto found = std::find_if(m_Registrations.begin(), m_Registrations.end(),
                                        [&](const Registration& r) { return r.m_Cookie == cookie; });
        if (found == m_Registrations.end()) return nullptr;
        IUnknown* object = found->m_Object;
        m_Registrations.erase(found);
        return object;
    }

    // The first object registered in-process for the class, with a new reference.
    IUnknown* Find(REFCLSID clsid) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        for (const Registration& r : m_Registrations) {
            if (r.m_Clsid != clsid || !(r.m_Context & CLSCTX_INPROC_SERVER)) continue;
            r.m_Object->AddRef();
            return r.m_Object;
        }
        return nullptr;
    }

private:
    struct Registration {
        DWORD m_Cookie;
        CLSID m_Clsid;
        IUnknown* m_Object;
        DWORD m_Context;
    };

    std::mutex m_Mutex;
    std::vector<Registration> m_Registrations;
    DWORD m_LastCookie = 0;
};

// The REG_SZ default value of HKEY_CLASSES_ROOT\path, up to its first NUL.
bool ReadClassesValue(const std::u16string& path, std::u16string& text) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    std::string bytes;
    DWORD size = 0;
    LSTATUS status = ERROR_MORE_DATA;
    // Another process may change the value between asking its size and reading it.
    for (int attempt = 0; attempt < 4 && status == ERROR_MORE_DATA; ++attempt) {
        status = RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, &size);
        if (status != ERROR_SUCCESS) break;
        bytes.resize(size);
        status = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(&bytes[0]), &size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    text.clear();
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = char16_t(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (unit == 0) break;
        text += unit;
    }
    return true;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as registration writes it.
std::u16string Braced(REFCLSID clsid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(clsid.Data1),
                  unsigned(clsid.Data2), unsigned(clsid.Data3), clsid.Data4[0], clsid.Data4[1], clsid.Data4[2],
                  clsid.Data4[3], clsid.Data4[4], clsid.Data4[5], clsid.Data4[6], clsid.Data4[7]);
    return std::u16string(text, text + 38);
}

// A registered class object of the process, else the registered in-process server's.
HRESULT GetClassObject(REFCLSID rclsid, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (!(dwClsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    if (IUnknown* object = ClassObjects::Instance().Find(rclsid)) {
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    try {
        std::u16string server;
        if (!ReadClassesValue(u"CLSID\\" + Braced(rclsid) + u"\\InprocServer32", server)) return REGDB_E_CLASSNOTREG;
        return tarn::compat::ServerModules::Instance().GetClassObject(tarn::platform::FileNameFromWide(server), rclsid, riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved) return E_INVALIDARG;
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    Apartment& apartment = t_Apartment;
    if (apartment.m_Initialisations != 0 && apartment.m_Model != model) return RPC_E_CHANGED_MODE;
    apartment.m_Model = model;
    return apartment.m_Initialisations++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_Apartment.m_Initialisations != 0) --t_Apartment.m_Initialisations;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD, LPDWORD lpdwRegister) {
    if (!pUnk || !lpdwRegister) return E_INVALIDARG;
    *lpdwRegister = 0;
    try {
        *lpdwRegister = ClassObjects::Instance().Register(rclsid, pUnk, dwClsContext);
    } catch (const std::bad_alloc&) {
        pUnk->Release();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
    IUnknown* object = ClassObjects::Instance().Revoke(dwRegister);
    if (!object) return E_INVALIDARG;
    object->Release();   // outside the table's lock: the release may revoke others
    return S_OK;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(rclsid, dwClsContext, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

HRESULT OleRun(LPUNKNOWN pUnknown) { return pUnknown ? S_OK : E_INVALIDARG; }

// Creating objects by CLSID and ProgID: class objects registered in the process, servers
// registered in the registry, GUID text. The same cases against both implementations, except
// the test server library, which is built natively only.
#include "tests/compat/RegistryTest.h"
#include "tests/compat/TestServer.h"

#include <thread>

#ifndef _WIN32
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#endif

namespace {

using tarn::test::CountingDispatch;
using tarn::test::CLSID_TestAnswer;
using tarn::test::IID_ITestAnswer;
using tarn::test::ITestAnswer;
using tarn::test::OleString;
using tarn::test::RegistryTest;

// {6E1F3C2C-5B7D-4C8E-9A0B-1C2D3E4F5A6B}: a class nothing serves unless a test registers it.
const CLSID kUnserved = {0x6E1F3C2C, 0x5B7D, 0x4C8E, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}};

OleString Braced(REFGUID guid) {
    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(guid, text, 39), 39);
    return text;
}

// A class object on the stack that counts its references and hands out one object.
class CountingFactory final : public IClassFactory {
public:
    ULONG m_References = 1;
    CountingDispatch m_Object;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        const bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory);
        *ppv = known ? static_cast<IClassFactory*>(this) : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_References; }
    STDMETHODIMP_(ULONG) Release() override { return --m_References; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override { return m_Object.QueryInterface(riid, ppv); }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

class Activation : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override {
        CoUninitialize();
        RegistryTest::TearDown();
    }
    // HKEY_CLASSES_ROOT\CLSID\{clsid}, owned by the test.
    OleString ClassKey(REFCLSID clsid) {
        const OleString key = OLESTR("CLSID\\") + Braced(clsid);
        Owns(HKEY_CLASSES_ROOT, key);
        return key;
    }
    HRESULT Create(REFCLSID clsid, REFIID riid, void** object) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
    }
};

TEST(Apartment, EachInitialisationIsCountedOnItsThread) {
    const struct {
        DWORD model;   // or ~0u: uninitialise
        HRESULT expected;
    } steps[] = {{COINIT_APARTMENTTHREADED, S_OK}, {COINIT_APARTMENTTHREADED, S_FALSE},
                 {COINIT_MULTITHREADED, RPC_E_CHANGED_MODE}, {~0u, S_OK}, {~0u, S_OK},
                 {COINIT_MULTITHREADED, S_OK}, {~0u, S_OK}};
    std::vector<HRESULT> results;
    std::thread([&] {
        for (const auto& s : steps) {
            if (s.model == ~0u) CoUninitialize();
            results.push_back(s.model == ~0u ? S_OK : CoInitializeEx(nullptr, s.model));
        }
    }).join();
    for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], steps[i].expected) << i;
}

TEST_F(Activation, RegisteredClassObjectsServeUntilRevoked) {
    CountingFactory factory;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kUnserved, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_GT(factory.m_References, 1u);

    IDispatch* object = nullptr;
    ASSERT_EQ(Create(kUnserved, IID_IDispatch, reinterpret_cast<void**>(&object)), S_OK);
    EXPECT_EQ(object, &factory.m_Object);
    object->Release();
    IUnknown* unknown = nullptr;
    EXPECT_EQ(Create(kUnserved, IID_ITestAnswer, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);

    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
    EXPECT_EQ(factory.m_References, 1u);
    EXPECT_EQ(factory.m_Object.m_References, 1u);
    EXPECT_EQ(Create(kUnserved, IID_IDispatch, reinterpret_cast<void**>(&object)), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Create(kUnserved, IID_IDispatch, nullptr), E_POINTER);
}

TEST_F(Activation, RegistrationFailuresSayWhatIsMissing) {
#ifdef _WIN32
    const OleString missingModule = OLESTR("C:\\tarn-missing\\server.dll");
    const OleString withoutEntry = OLESTR("kernel32.dll");   // loads, but serves no classes
#else
    const OleString missingModule = OLESTR("/tarn-missing/server.so");
    const std::string noEntryPath = TARN_TEST_SERVER_WITHOUT_CLASS_OBJECT;
    const OleString withoutEntry(noEntryPath.begin(), noEntryPath.end());
#endif
    // Windows answers for a module as given here; Wine has codes of its own for it.
    const struct {
        const char* label;
        bool classKey;
        const OLECHAR* server;   // nullptr: no InprocServer32 key
        HRESULT expected;
        bool wineAgrees;
    } cases[] = {
        {"no registration", false, nullptr, REGDB_E_CLASSNOTREG, true},
        {"a class key without a server", true, nullptr, REGDB_E_CLASSNOTREG, true},
        {"a server module that is not there", true, missingModule.c_str(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), false},
        {"a module without DllGetClassObject", true, withoutEntry.c_str(), CO_E_ERRORINDLL, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const OleString key = ClassKey(kUnserved);
        if (c.classKey) {
            ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, key, nullptr, OLESTR("Unserved Class")), ERROR_SUCCESS);
        }
        if (c.server) {
            ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, key + OLESTR("\\InprocServer32"), nullptr, c.server), ERROR_SUCCESS);
        }
        IUnknown* object = nullptr;
        const HRESULT created = Create(kUnserved, IID_IUnknown, reinterpret_cast<void**>(&object));
        EXPECT_EQ(object, nullptr);
        const HRESULT found = CoGetClassObject(kUnserved, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                               reinterpret_cast<void**>(&object));
#ifdef _WIN32
        if (!c.wineAgrees) {
            EXPECT_TRUE(FAILED(created) && FAILED(found));
            continue;
        }
#endif
        EXPECT_EQ(created, c.expected);
        EXPECT_EQ(found, c.expected);
    }
}

TEST_F(Activation, ProgIDsLeadToTheirClass) {
    const OleString progId = OLESTR("Tarn.CompatTest.Answer");
    Owns(HKEY_CLASSES_ROOT, progId);
    ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, progId + OLESTR("\\CLSID"), nullptr, Braced(CLSID_TestAnswer)), ERROR_SUCCESS);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(OLESTR("tarn.compattest.answer"), &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestAnswer);

    EXPECT_EQ(CLSIDFromProgID(OLESTR("Tarn.CompatTest.NoSuchProgID"), &clsid), CO_E_CLASSSTRING);
    ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, progId + OLESTR("\\CLSID"), nullptr, OLESTR("not a CLSID")), ERROR_SUCCESS);
    EXPECT_EQ(CLSIDFromProgID(progId.c_str(), &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(progId.c_str(), nullptr), E_INVALIDARG);
}

TEST(GuidText, BracedFormRoundTrips) {
    EXPECT_EQ(Braced(CLSID_TestAnswer), OLESTR("{6E1F3C2A-5B7D-4C8E-9A0B-1C2D3E4F5A6B}"));
    OLECHAR small[38];
    EXPECT_EQ(StringFromGUID2(CLSID_TestAnswer, small, 38), 0);

    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(OLESTR("{6e1f3c2a-5b7d-4c8e-9a0b-1c2d3e4f5a6b}"), &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestAnswer);
    const OLECHAR* malformed[] = {
        OLESTR("{6E1F3C2A-5B7D-4C8E-9A0B-1C2D3E4F5A6B"),     // no closing brace
        OLESTR("6E1F3C2A-5B7D-4C8E-9A0B-1C2D3E4F5A6B}"),
        OLESTR("{6E1F3C2A-5B7D-4C8E-9A0B-1C2D3E4F5A6G}"),    // not hex
        OLESTR("{6E1F3C2A-5B7D-4C8E-9A0B1-C2D3E4F5A6B}"),    // dash out of place
        OLESTR("{6E1F3C2A-5B7D-4C8E-9A0B-1C2D3E4F5A6B}x"),
        OLESTR("{6E1F3C2A}"),
    };
    for (const OLECHAR* text : malformed) {
        SCOPED_TRACE(tarn::test::Ascii(text, OleString(text).size()));
        EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING);
    }
}

#ifndef _WIN32
bool IsLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

TEST_F(Activation, ServerLibrariesAreLoadedOnDemandAndFreedWhenUnused) {
    const std::string path = TARN_TEST_SERVER;
    ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, ClassKey(CLSID_TestAnswer) + OLESTR("\\InprocServer32"), nullptr,
                      OleString(path.begin(), path.end())),
              ERROR_SUCCESS);
    // Registered for a class the library does not know: its own answer comes back.
    ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, ClassKey(kUnserved) + OLESTR("\\InprocServer32"), nullptr,
                      OleString(path.begin(), path.end())),
              ERROR_SUCCESS);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(Create(kUnserved, IID_IUnknown, reinterpret_cast<void**>(&unknown)), CLASS_E_CLASSNOTAVAILABLE);

    for (int round = 0; round < 2; ++round) {   // loaded again after being freed
        ITestAnswer* answer = nullptr;
        ASSERT_EQ(Create(CLSID_TestAnswer, IID_ITestAnswer, reinterpret_cast<void**>(&answer)), S_OK);
        LONG value = 0;
        EXPECT_EQ(answer->Answer(&value), S_OK);
        EXPECT_EQ(value, 42);

        // The object's vtable lies in the library: its module is the library's file.
        char resolved[PATH_MAX];
        ASSERT_NE(realpath(path.c_str(), resolved), nullptr);
        const OleString file = [&] {
            HMODULE module = nullptr;
            EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, *reinterpret_cast<LPCWSTR*>(answer), &module));
            OLECHAR name[PATH_MAX];
            return OleString(name, GetModuleFileNameW(module, name, PATH_MAX));
        }();
        EXPECT_EQ(tarn::test::Ascii(file.c_str(), file.size()), resolved);

        CoFreeUnusedLibraries();
        EXPECT_TRUE(IsLoaded(path));   // an object is alive
        answer->Release();
        CoFreeUnusedLibraries();
        EXPECT_FALSE(IsLoaded(path));
    }
}
#endif

}  // namespace

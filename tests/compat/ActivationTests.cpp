// Creating objects by CLSID (class objects registered in the process, servers registered in the
// registry) and module file names. The same cases against both implementations, except the test
// server library, which is built natively only.
#include "tests/compat/RegistryTest.h"
#include "tests/compat/TestServer.h"

#include <climits>

namespace {

using tarn::test::OleString;

// {6E1F3C2C-5B7D-4C8E-9A0B-1C2D3E4F5A6B}: a class nothing serves unless a test registers it.
const CLSID kUnserved = {0x6E1F3C2C, 0x5B7D, 0x4C8E, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}};
const OleString kUnservedKey = OLESTR("CLSID\\{6E1F3C2C-5B7D-4C8E-9A0B-1C2D3E4F5A6B}");
const OleString kAnswerKey = OLESTR("CLSID\\{6E1F3C2A-5B7D-4C8E-9A0B-1C2D3E4F5A6B}");

// A class object on the stack that counts its references and hands out itself.
class CountingFactory final : public IClassFactory {
public:
    ULONG m_References = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory) ? this : nullptr;
        return *ppv ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_References; }
    STDMETHODIMP_(ULONG) Release() override { return --m_References; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override { return QueryInterface(riid, ppv); }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

HRESULT Create(REFCLSID clsid, REFIID riid, void** object) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
}

// The file of the module that holds address, cut to size characters as GetModuleFileNameW cuts.
OleString ModuleFileOf(const void* address, DWORD size = 4096) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(address), &module)) return {};
    OleString path(size, OLECHAR('#'));
    const DWORD length = GetModuleFileNameW(module, &path[0], size);
    EXPECT_EQ(path[length < size ? length : size - 1], OLECHAR(0));
    return path.substr(0, length < size ? length : size - 1);
}

TEST(Module, AnAddressLeadsToItsFileCutToTheBuffer) {
    const void* const self = reinterpret_cast<const void*>(&Create);
    const OleString path = ModuleFileOf(self);   // the test executable
    OLECHAR whole[4096];
    ASSERT_EQ(OleString(whole, GetModuleFileNameW(nullptr, whole, 4096)), path);
    for (DWORD size : {DWORD(path.size()), DWORD(4)}) EXPECT_EQ(ModuleFileOf(self, size), path.substr(0, size - 1));
    int onHeap = 0;
    EXPECT_EQ(ModuleFileOf(&onHeap), OleString());
}

class Activation : public tarn::test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        Owns(HKEY_CLASSES_ROOT, kUnservedKey);
        Owns(HKEY_CLASSES_ROOT, kAnswerKey);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    }
    void TearDown() override {
        CoUninitialize();
        RegistryTest::TearDown();
    }
};

TEST_F(Activation, ClassObjectsOfTheProcessAndRegistrationFailures) {
    CountingFactory factory;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kUnserved, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    IUnknown* object = nullptr;
    ASSERT_EQ(Create(kUnserved, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
    object->Release();
    EXPECT_EQ(Create(kUnserved, IID_IDispatch, reinterpret_cast<void**>(&object)), E_NOINTERFACE);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
    EXPECT_EQ(factory.m_References, 1u);
    EXPECT_EQ(Create(kUnserved, IID_IUnknown, nullptr), E_POINTER);
#ifdef _WIN32
    const OleString missing = OLESTR("C:\\tarn-missing\\server.dll"), withoutEntry = OLESTR("kernel32.dll");
#else
    const std::string noEntryPath = TARN_TEST_SERVER_WITHOUT_CLASS_OBJECT;
    const OleString missing = OLESTR("/tarn-missing/server.so"), withoutEntry(noEntryPath.begin(), noEntryPath.end());
#endif
    const struct {
        const OLECHAR* key;       // nullptr: no class key
        const OLECHAR* server;    // nullptr: no InprocServer32
        HRESULT expected;         // Wine has codes of its own for a server module as given here
    } cases[] = {
        {nullptr, nullptr, REGDB_E_CLASSNOTREG},
        {kUnservedKey.c_str(), nullptr, REGDB_E_CLASSNOTREG},
        {kUnservedKey.c_str(), missing.c_str(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {kUnservedKey.c_str(), withoutEntry.c_str(), CO_E_ERRORINDLL},   // it exports no DllGetClassObject
    };
    for (const auto& c : cases) {
        if (c.key) ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, c.key, nullptr, OLESTR("Unserved")), ERROR_SUCCESS);
        if (c.server) ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, kUnservedKey + OLESTR("\\InprocServer32"), nullptr, c.server), ERROR_SUCCESS);
        const HRESULT created = Create(kUnserved, IID_IUnknown, reinterpret_cast<void**>(&object));
        EXPECT_EQ(object, nullptr);
#ifdef _WIN32
        if (c.server) EXPECT_TRUE(FAILED(created));
        else
#endif
            EXPECT_EQ(created, c.expected);
    }
}

#ifndef _WIN32
TEST_F(Activation, ServerLibrariesAreLoadedOnDemand) {
    const std::string path = TARN_TEST_SERVER;
    for (const OleString& key : {kAnswerKey, kUnservedKey})
        ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, key + OLESTR("\\InprocServer32"), nullptr, OleString(path.begin(), path.end())),
                  ERROR_SUCCESS);
    // Registered for a class the library does not know: its own answer comes back.
    IUnknown* unknown = nullptr;
    EXPECT_EQ(Create(kUnserved, IID_IUnknown, reinterpret_cast<void**>(&unknown)), CLASS_E_CLASSNOTAVAILABLE);
    tarn::test::ITestAnswer* answer = nullptr;
    ASSERT_EQ(Create(tarn::test::CLSID_TestAnswer, tarn::test::IID_ITestAnswer, reinterpret_cast<void**>(&answer)), S_OK);
    LONG value = 0;
    EXPECT_EQ(answer->Answer(&value), S_OK);
    EXPECT_EQ(value, 42);
    // The object's vtable lies in the library: its module is the library's file.
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(path.c_str(), resolved), nullptr);
    const OleString file = ModuleFileOf(*reinterpret_cast<void**>(answer));
    EXPECT_EQ(tarn::test::Ascii(file.c_str(), file.size()), resolved);
}
#endif

}  // namespace

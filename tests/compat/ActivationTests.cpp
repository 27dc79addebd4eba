// Creating objects by CLSID through the registry, and module file names, against both
// implementations (tests/client loads a registered server that works: the component).
#include "tests/compat/RegistryTest.h"

namespace {

using tarn::test::OleString;

// {6E1F3C2C-5B7D-4C8E-9A0B-1C2D3E4F5A6B}: a class nothing serves unless a test registers it.
const CLSID kUnserved = {0x6E1F3C2C, 0x5B7D, 0x4C8E, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}};
const OleString kUnservedKey = OLESTR("CLSID\\{6E1F3C2C-5B7D-4C8E-9A0B-1C2D3E4F5A6B}");

HRESULT Create(REFCLSID clsid, REFIID riid, void** object) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
}

// The file of the module that holds address, as far as size characters hold it with a NUL;
// "<cut>" marks a path cut short.
OleString ModuleFileOf(const void* address, DWORD size = 4096) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(address), &module)) return {};
    OleString path(size, OLECHAR('#'));
    const DWORD length = GetModuleFileNameW(module, &path[0], size);   // cut: size, NUL-terminated or not
    return length < size ? path.substr(0, length) : path.substr(0, size - 1) + OLESTR("<cut>");
}

TEST(Module, AnAddressLeadsToItsFileCutToTheBuffer) {
    const void* const self = reinterpret_cast<const void*>(&Create);
    const OleString path = ModuleFileOf(self);   // the test executable
    ASSERT_EQ(tarn::test::Ascii(path.c_str(), path.size()).find("compat_tests"), path.find_last_of(OLESTR("/\\")) + 1);
    for (DWORD size : {DWORD(path.size()), DWORD(4)}) EXPECT_EQ(ModuleFileOf(self, size), path.substr(0, size - 1) + OLESTR("<cut>"));
    int onStack = 0;
    EXPECT_EQ(ModuleFileOf(&onStack), OleString());
}

class Activation : public tarn::test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        Owns(HKEY_CLASSES_ROOT, kUnservedKey);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    }
    void TearDown() override {
        CoUninitialize();
        RegistryTest::TearDown();
    }
};

// Class objects registered in the process are what the component's own tests and tools use.
TEST_F(Activation, RegistrationFailuresSayWhatIsMissing) {
    IUnknown* object = nullptr;
#ifdef _WIN32
    const OleString missing = OLESTR("C:\\tarn-missing\\server.dll"), withoutEntry = OLESTR("kernel32.dll");
#else
    const std::string noEntryPath = TARN_LIBRARY_WITHOUT_CLASS_OBJECT;
    const OleString missing = OLESTR("/tarn-missing/server.so"), withoutEntry(noEntryPath.begin(), noEntryPath.end());
#endif
    // No class key, a class key without a server, a server that is not there, one that exports
    // no DllGetClassObject.
    const std::pair<const OLECHAR*, HRESULT> cases[] = {{nullptr, REGDB_E_CLASSNOTREG},
                                                        {OLESTR(""), REGDB_E_CLASSNOTREG},
                                                        {missing.c_str(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
                                                        {withoutEntry.c_str(), CO_E_ERRORINDLL}};
    for (const auto& c : cases) {
        if (c.first) { ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, kUnservedKey, nullptr, OLESTR("Unserved")), ERROR_SUCCESS); }
        if (c.first && *c.first) { ASSERT_EQ(SetText(HKEY_CLASSES_ROOT, kUnservedKey + OLESTR("\\InprocServer32"), nullptr, c.first), ERROR_SUCCESS); }
        const HRESULT created = Create(kUnserved, IID_IUnknown, reinterpret_cast<void**>(&object));
        EXPECT_EQ(object, nullptr);
#ifdef _WIN32   // Wine has codes of its own for a server module as given here
        if (c.first && *c.first) { EXPECT_TRUE(FAILED(created)); continue; }
#endif
        EXPECT_EQ(created, c.second);
    }
}

// An object without IRunnableObject runs as it is: OleRun succeeds and keeps no reference.
TEST_F(Activation, OleRunLeavesAnObjectWithoutRunStateAlone) {
    struct Plain : IUnknown {
        long references = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
            *ppv = IsEqualGUID(riid, IID_IUnknown) ? this : nullptr;
            return *ppv ? (AddRef(), S_OK) : E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references); }
        ULONG STDMETHODCALLTYPE Release() override { return ULONG(--references); }
    } object;
    EXPECT_EQ(OleRun(&object), S_OK);
    EXPECT_EQ(object.references, 1);
}

}  // namespace

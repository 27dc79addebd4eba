// A client of the registered module: it reads a recording early-bound and late-bound, receives
// the scan events through a connection point while it dispatches messages, and checks the
// module's unloading and registration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/client/ScanEvents.h"
#include "setup/BstrText.h"
#include "tests/client/ClientFixture.h"
#include "tests/client/LateBinding.h"
#include "tests/support/ScopedVariant.h"

namespace tarn::test {
namespace {

using client::ComPtr;

const std::u16string kModule = TARN_MODULE_PATH;

TEST_F(Client, EarlyBound) {
    ComPtr<IQVRecorderFileReader> reader = Create();
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->put_FileName(UniqueBstr(AllocBstr(Recording())).get()), S_OK);
    LONG ok = 0, channels = 0;
    ASSERT_EQ(reader->open(&ok), S_OK);
    ASSERT_EQ(ok, 1);
    ASSERT_EQ(reader->get_NumberOfChannels(&channels), S_OK);
    EXPECT_EQ(channels, 2);
    double frequency = 0;
    ASSERT_EQ(reader->get_SampleFrequency(&frequency), S_OK);
    EXPECT_DOUBLE_EQ(frequency, 44100.5);
    ComPtr<IQVRecorderFileReader2> reader2 = reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    short* samples = nullptr;
    LONG last = 0;
    ASSERT_EQ(reader2->GetSamples(1, 0, 4, &last, &samples), S_OK);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(samples[0], Channel1Sample(0));
    EXPECT_EQ(samples[3], Channel1Sample(3));
    CoTaskMemFree(samples);
}

TEST_F(Client, LateBound) {
    ComPtr<IDispatch> object = Create().As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(object);
    UINT count = 0;
    ASSERT_EQ(object->GetTypeInfoCount(&count), S_OK);
    ScopedVariant result;
    ASSERT_EQ(Call(object.Get(), u"FileName", DISPATCH_PROPERTYPUT, {Arg(Recording())}, nullptr), S_OK);
    ASSERT_EQ(Call(object.Get(), u"open", DISPATCH_METHOD, {}, result.get()), S_OK);
    ASSERT_EQ(V_VT(result.get()), VT_I4);
    EXPECT_EQ(V_I4(result.get()), 1);
    result.reset();
    ASSERT_EQ(Call(object.Get(), u"NumberOfChannels", DISPATCH_PROPERTYGET, {}, result.get()), S_OK);
    EXPECT_EQ(V_I4(result.get()), 2);
    result.reset();
    ASSERT_EQ(Call(object.Get(), u"GetUnit", DISPATCH_METHOD, {Arg(1)}, result.get()), S_OK);
    ASSERT_EQ(V_VT(result.get()), VT_BSTR);
    EXPECT_EQ(BstrText(V_BSTR(result.get())), u"Pa");
    result.reset();
    ASSERT_EQ(Call(object.Get(), u"getParameter", DISPATCH_METHOD, {Arg(u"SignalName"), Arg(2)}, result.get()), S_OK);
    ASSERT_EQ(V_VT(result.get()), VT_BSTR);
    EXPECT_EQ(BstrText(V_BSTR(result.get())), u"Force");
    // IDispatch leads to the first reader interface only.
    result.reset();
    EXPECT_EQ(Call(object.Get(), u"GetSamples", DISPATCH_METHOD, {}, result.get()), DISP_E_UNKNOWNNAME);
}

TEST_F(Client, EventsThroughTheConnectionPoint) {
    ComPtr<IQVRecorderFileReader> reader = Create();
    ASSERT_EQ(reader->put_FileName(UniqueBstr(AllocBstr(Recording(ManyBlocks(3000)))).get()), S_OK);
    LONG ok = 0;
    ASSERT_EQ(reader->open(&ok), S_OK);
    client::ScanEvents events;
    ASSERT_EQ(events.Connect(reader.Get()), S_OK);
    ASSERT_EQ(reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2)->ScanFile(&ok), S_OK);
    ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(60)));
    EXPECT_EQ(events.ScannedCount(), 1);
    EXPECT_TRUE(events.OnConnectingThread());
    EXPECT_FALSE(events.Progress().empty());
}

using EntryPoint = HRESULT(STDMETHODCALLTYPE*)();

EntryPoint Export(HMODULE module, const char* name) {
    return reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

bool KeyExists(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Ole(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

TEST_F(Client, ModuleUnloadsOnlyWithoutObjects) {
    HMODULE module = LoadLibraryW(Ole(kModule));
    ASSERT_NE(module, nullptr);
    const EntryPoint canUnload = Export(module, "DllCanUnloadNow");
    ASSERT_NE(canUnload, nullptr);
    {
        ComPtr<IQVRecorderFileReader> reader = Create();
        EXPECT_EQ(canUnload(), S_FALSE);
    }
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(module);
}

// Last: it takes the registration away and puts it back.
TEST_F(Client, UnregisterAndRegisterAgain) {
    const std::u16string clsidKey = u"CLSID\\{D93DDE9B-8D15-4E4C-AC6D-5E76B81DCBC6}";
    const std::vector<std::u16string> keys = {u"Tarn.QVRecorderFileReader", u"Tarn.QVRecorderFileReader.1", clsidKey,
                                              clsidKey + u"\\InprocServer32"};
    HMODULE module = LoadLibraryW(Ole(kModule));
    ASSERT_NE(module, nullptr);
    for (const std::u16string& key : keys) EXPECT_TRUE(KeyExists(key)) << platform::FileNameFromWide(key);
    ASSERT_EQ(Export(module, "DllUnregisterServer")(), S_OK);
    for (const std::u16string& key : keys) EXPECT_FALSE(KeyExists(key)) << platform::FileNameFromWide(key);
    EXPECT_TRUE(KeyExists(u"CLSID"));
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(Ole(u"Tarn.QVRecorderFileReader"), &clsid), S_OK);
    // Twice: the second registration rewrites the first.
    ASSERT_EQ(Export(module, "DllRegisterServer")(), S_OK);
    ASSERT_EQ(Export(module, "DllRegisterServer")(), S_OK);
    for (const std::u16string& key : keys) EXPECT_TRUE(KeyExists(key)) << platform::FileNameFromWide(key);
    FreeLibrary(module);
    EXPECT_TRUE(Create());
}

}  // namespace
}  // namespace tarn::test

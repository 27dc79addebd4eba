// A client of the registered module: it reads a recording early-bound and late-bound, receives
// the scan events while it dispatches messages, and checks unloading and the registration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "tests/client/ClientFixture.h"

namespace tarn::test {
namespace {

using client::ComPtr;

TEST_F(Client, EarlyAndLateBound) {
    ComPtr<IQVRecorderFileReader> reader = Open();
    double frequency = 0;
    ASSERT_EQ(reader->get_SampleFrequency(&frequency), S_OK);
    EXPECT_DOUBLE_EQ(frequency, 44100.5);
    short* samples = nullptr;
    LONG last = 0;
    ASSERT_EQ(reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2)->GetSamples(1, 0, 4, &last, &samples), S_OK);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(std::vector<short>(samples, samples + 4), (std::vector<short>{-2, -1, 0, 1}));
    CoTaskMemFree(samples);

    ComPtr<IDispatch> object = Create().As<IDispatch>(IID_IDispatch);
    const std::u16string path = platform::FileNameToWide(TwoChannelRecording().WriteTo(dir, "late.dat"));
    ASSERT_EQ(Call(object.Get(), u"FileName", DISPATCH_PROPERTYPUT, {Arg(path)}, nullptr), S_OK);
    // Each result as text: its type is checked by the conversion's source.
    const std::tuple<const char16_t*, WORD, std::vector<LONG>, VARTYPE, const char16_t*> calls[] = {
        {u"open", DISPATCH_METHOD, {}, VT_I4, u"1"},
        {u"NumberOfChannels", DISPATCH_PROPERTYGET, {}, VT_I4, u"2"},
        {u"GetUnit", DISPATCH_METHOD, {1}, VT_BSTR, u"Pa"},
        {u"getParameter", DISPATCH_METHOD, {0, 2}, VT_BSTR, u"Force"},   // 0: the name SignalName
    };
    for (const auto& [name, flags, numbers, type, expected] : calls) {
        std::vector<VARIANT> args;
        for (const LONG n : numbers) args.push_back(n ? Arg(n) : Arg(u"SignalName"));
        ScopedVariant result;
        ASSERT_EQ(Call(object.Get(), name, flags, args, result.get()), S_OK);
        EXPECT_EQ(V_VT(result.get()), type);
        ASSERT_EQ(VariantChangeTypeEx(result.get(), result.get(), LOCALE_USER_DEFAULT, 0, VT_BSTR), S_OK);
        EXPECT_EQ(BstrText(V_BSTR(result.get())), expected);
    }
    ScopedVariant result;   // IDispatch leads to the first reader interface only
    EXPECT_EQ(Call(object.Get(), u"GetSamples", DISPATCH_METHOD, {}, result.get()), DISP_E_UNKNOWNNAME);
}

TEST_F(Client, EventsThroughTheConnectionPoint) {
    ComPtr<IQVRecorderFileReader> reader = Open(ManyBlocks(3000));
    client::ScanEvents events;
    ASSERT_EQ(events.Connect(reader.Get()), S_OK);
    LONG ok = 0;
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

// A text value of HKEY_CLASSES_ROOT, or a marker when the key or value is missing.
std::u16string Value(const std::u16string& path, const char16_t* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Ole(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return u"<no key>";
    char16_t text[1024] = {};
    DWORD bytes = sizeof text - sizeof(char16_t);
    const LSTATUS status = RegQueryValueExW(key, name ? Ole(name) : nullptr, nullptr, nullptr,
                                            reinterpret_cast<LPBYTE>(text), &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::u16string(text) : u"<no value>";
}

// The same path whichever separators and case it is written with.
std::u16string SamePath(std::u16string path) {
    for (char16_t& c : path) c = c == u'\\' ? u'/' : static_cast<char16_t>(std::towlower(c));
    return path;
}

const std::u16string kModule = TARN_MODULE_PATH;
const std::u16string kClass = u"CLSID\\{D93DDE9B-8D15-4E4C-AC6D-5E76B81DCBC6}";

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

// Last: it takes the registration away and puts it back, twice; the second rewrites the class
// key whole.
TEST_F(Client, RegistrationValuesUnregisterAndRegisterAgain) {
    const std::pair<std::u16string, const char16_t*> values[] = {
        {u"Tarn.QVRecorderFileReader\\CurVer", u"Tarn.QVRecorderFileReader.1"},
        {u"Tarn.QVRecorderFileReader\\CLSID", u"{D93DDE9B-8D15-4E4C-AC6D-5E76B81DCBC6}"},
        {u"Tarn.QVRecorderFileReader.1\\CLSID", u"{D93DDE9B-8D15-4E4C-AC6D-5E76B81DCBC6}"},
        {kClass + u"\\ProgID", u"Tarn.QVRecorderFileReader.1"},
        {kClass + u"\\VersionIndependentProgID", u"Tarn.QVRecorderFileReader"},
        {kClass + u"\\TypeLib", u"{FAAF2CF8-99C0-42DA-9CA5-1DDDB5BDFAB1}"},
    };
    const auto expectRegistered = [&] {
        for (const auto& [key, value] : values) EXPECT_EQ(Value(key), value) << platform::FileNameFromWide(key);
        EXPECT_EQ(Value(kClass + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
        EXPECT_EQ(SamePath(Value(kClass + u"\\InprocServer32")), SamePath(kModule));
        EXPECT_NE(Value(kClass + u"\\Programmable"), u"<no key>");
    };
    expectRegistered();
    HMODULE module = LoadLibraryW(Ole(kModule));
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(Export(module, "DllUnregisterServer")(), S_OK);
    for (const auto& [key, value] : values) EXPECT_EQ(Value(key), u"<no key>") << platform::FileNameFromWide(key);
    EXPECT_EQ(Value(kClass), u"<no key>");
    EXPECT_NE(Value(u"CLSID"), u"<no key>");
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(Ole(u"Tarn.QVRecorderFileReader"), &clsid), S_OK);
    ASSERT_EQ(Export(module, "DllRegisterServer")(), S_OK);
    HKEY stray = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, Ole(kClass + u"\\Stray"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &stray,
                              nullptr), ERROR_SUCCESS);
    RegCloseKey(stray);
    ASSERT_EQ(Export(module, "DllRegisterServer")(), S_OK);
    EXPECT_EQ(Value(kClass + u"\\Stray"), u"<no key>");
    expectRegistered();
    FreeLibrary(module);
    EXPECT_TRUE(Create());
}

}  // namespace
}  // namespace tarn::test

// A client of the module registered before the suite runs (regsvr32 on Windows, tarn regsvr
// elsewhere): the object created by its ProgID, called early-bound and by name as a script host
// calls it, its events, unloading and the registration.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"
#include "component/client/ScanEvents.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "tests/component/Recordings.h"
#include "tests/support/ScopedVariant.h"
#include "tests/support/TempDir.h"

namespace tarn::test {
namespace {

using client::ComPtr;

LPCOLESTR Ole(const std::u16string& text) { return reinterpret_cast<LPCOLESTR>(text.c_str()); }

VARIANT Arg(const std::u16string& text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = AllocBstr(text);
    return v;
}

VARIANT Arg(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

// A member called by name through IDispatch: GetIDsOfNames, then Invoke with args in call
// order (cleared afterwards).
HRESULT Call(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    std::u16string text(name);
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(text.data())};
    DISPID id = 0, named = DISPID_PROPERTYPUT;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), put ? &named : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    if (SUCCEEDED(hr)) hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    for (VARIANT& v : args) VariantClear(&v);
    return hr;
}

class Client : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    static void TearDownTestSuite() { CoUninitialize(); }

    ComPtr<IQVRecorderFileReader> Create() {
        ComPtr<IQVRecorderFileReader> reader;
        EXPECT_EQ(CoCreateInstance(CLSID_QVRecorderFileReader, nullptr, CLSCTX_INPROC_SERVER, IID_IQVRecorderFileReader, reader.PutVoid()),
                  S_OK);
        return reader;
    }
    TempDir dir;
};

// Late-bound names are found whatever their case; a result's type is checked, then its text.
TEST_F(Client, LateBound) {
    ComPtr<IDispatch> object = Create().As<IDispatch>(IID_IDispatch);
    const std::u16string path = platform::FileNameToWide(TwoChannelRecording().WriteTo(dir, "late.dat"));
    const std::tuple<const char16_t*, WORD, std::vector<VARIANT>, HRESULT, VARTYPE, const char16_t*> calls[] = {
        {u"FileName", DISPATCH_PROPERTYPUT, {Arg(path)}, S_OK, VT_EMPTY, u""},
        {u"OPEN", DISPATCH_METHOD, {}, S_OK, VT_I4, u"1"},
        {u"numberofchannels", DISPATCH_PROPERTYGET, {}, S_OK, VT_I4, u"2"},
        {u"SampleFrequency", DISPATCH_PROPERTYGET, {}, S_OK, VT_R8, u"44100.5"},
        {u"GetUnit", DISPATCH_METHOD, {Arg(1)}, S_OK, VT_BSTR, u"Pa"},
        {u"getParameter", DISPATCH_METHOD, {Arg(u"SignalName"), Arg(2)}, S_OK, VT_BSTR, u"Force"},
        {u"read", DISPATCH_METHOD, {}, S_OK, VT_I4, u"1"},
        {u"BlockSize", DISPATCH_PROPERTYGET, {}, S_OK, VT_I4, u"8"},
        {u"GetUnit", DISPATCH_METHOD, {}, DISP_E_BADPARAMCOUNT, VT_EMPTY, u""},
        {u"GetSamples", DISPATCH_METHOD, {}, DISP_E_UNKNOWNNAME, VT_EMPTY, u""},   // a member of the second interface
    };
    for (const auto& [name, flags, args, hr, type, text] : calls) {
        ScopedVariant result;
        ASSERT_EQ(Call(object.Get(), name, flags, args, result.get()), hr) << platform::FileNameFromWide(name);
        EXPECT_EQ(V_VT(result.get()), type);
        if (type == VT_EMPTY) continue;
        ASSERT_EQ(VariantChangeTypeEx(result.get(), result.get(), 0x409, 0, VT_BSTR), S_OK);
        EXPECT_EQ(BstrText(V_BSTR(result.get())), text);
    }
    // The block read above as getBlock hands it to a script: BlockSize 16-bit values from 1.
    ScopedVariant block;
    ASSERT_EQ(Call(object.Get(), u"getBlock", DISPATCH_METHOD, {}, block.get()), S_OK);
    ASSERT_EQ(V_VT(block.get()), VT_ARRAY | VT_I2);
    LONG lower = 0, upper = 0;
    short values[2] = {};
    ASSERT_EQ(SafeArrayGetLBound(V_ARRAY(block.get()), 1, &lower), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(V_ARRAY(block.get()), 1, &upper), S_OK);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 8);
    for (LONG i : {1, 2}) EXPECT_EQ(SafeArrayGetElement(V_ARRAY(block.get()), &i, &values[i - 1]), S_OK);
    EXPECT_EQ(values[0], -2);
    EXPECT_EQ(values[1], 1);
}

TEST_F(Client, EventsThroughTheConnectionPoint) {
    ComPtr<IQVRecorderFileReader> reader = Create();
    const std::u16string path = platform::FileNameToWide(ManyBlocks(3000).WriteTo(dir, "events.dat"));
    client::ScanEvents events;
    LONG ok = 0;
    ASSERT_EQ(reader->put_FileName(UniqueBstr(AllocBstr(path)).get()), S_OK);
    ASSERT_EQ(reader->open(&ok), S_OK);
    ASSERT_EQ(events.Connect(reader.Get()), S_OK);
    ASSERT_EQ(reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2)->ScanFile(&ok), S_OK);
    ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(60)));
    EXPECT_EQ(events.ScannedCount(), 1);
    EXPECT_TRUE(events.OnConnectingThread());
    EXPECT_FALSE(events.Progress().empty());
}

// Written late-bound through the writer interface's own IDispatch, read back early-bound. Sample
// blocks take byte pointers, which no VARIANT carries: they go early-bound.
TEST_F(Client, WritesLateBoundAndReadsBack) {
    ComPtr<IQVRecorderFileReader> reader = Create();
    ComPtr<IQVRecorderFileWriter> writer = reader.As<IQVRecorderFileWriter>(IID_IQVRecorderFileWriter);
    ASSERT_TRUE(writer);
    const std::u16string path = platform::FileNameToWide(dir.file("written.dat"));
    std::vector<BYTE> rec(100);
    for (std::size_t i = 0; i < rec.size(); ++i) rec[i] = static_cast<BYTE>(i * 3);
    const std::u16string recFile = platform::FileNameToWide(dir.write("set.REC", rec));
    const std::tuple<const char16_t*, WORD, std::vector<VARIANT>> calls[] = {
        {u"FileName", DISPATCH_PROPERTYPUT, {Arg(path)}},
        {u"OpenFile", DISPATCH_METHOD, {}},
        {u"SetNumberOfChannels", DISPATCH_METHOD, {Arg(1)}},
        {u"SetParameter", DISPATCH_METHOD, {Arg(u"SignalName"), Arg(1), Arg(u"Left")}},
        {u"SetRECInfo", DISPATCH_METHOD, {Arg(recFile)}},
        {u"WriteSetupSection", DISPATCH_METHOD, {}},
        {u"InitializeBinaryDataSection", DISPATCH_METHOD, {Arg(0)}},
    };
    for (const auto& [name, flags, args] : calls) {
        ScopedVariant result;
        EXPECT_EQ(Call(writer.Get(), name, flags, args, result.get()), S_OK) << platform::FileNameFromWide(name);
    }
    // The object's own IDispatch is the first reader interface's: it has no writer members.
    ScopedVariant result;
    EXPECT_EQ(Call(reader.Get(), u"CloseFile", DISPATCH_METHOD, {}, result.get()), DISP_E_UNKNOWNNAME);
    std::vector<LONG> wide = {100000, -100000, 7, 0x7FFFFFFF};
    ASSERT_EQ(writer->Create32bitBinaryDataBlock(1, 4, reinterpret_cast<BYTE*>(wide.data())), S_OK);
    ASSERT_EQ(writer->CloseFile(), S_OK);

    LONG ok = 0, last = 0, size = 0;
    ASSERT_EQ(reader->open(&ok), S_OK);   // the name the writer had
    ASSERT_EQ(ok, 1);
    ScopedVariant name;
    ASSERT_EQ(reader->getParameter(UniqueBstr(AllocBstr(u"SignalName")).get(), 1, name.get()), S_OK);
    ASSERT_EQ(V_VT(name.get()), VT_BSTR);
    EXPECT_EQ(BstrText(V_BSTR(name.get())), u"Left");
    ComPtr<IQVRecorderFileReader2> reader2 = reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    LONG* samples = nullptr;
    ASSERT_EQ(reader2->GetSamples32Bit(1, 0, 4, &last, &samples), S_OK);
    EXPECT_EQ(std::vector<LONG>(samples, samples + last + 1), wide);
    CoTaskMemFree(samples);
    BYTE* block = nullptr;
    ASSERT_EQ(reader2->GetRECInfoSection(&size, &block), S_OK);
    EXPECT_EQ(std::vector<BYTE>(block, block + size), rec);
    CoTaskMemFree(block);
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

// The module unloads only without objects. Last: the test takes the registration away and puts
// it back, twice; the second rewrites the class key whole.
TEST_F(Client, UnloadingAndRegistration) {
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
    ComPtr<IQVRecorderFileReader> reader = Create();
    EXPECT_EQ(Export(module, "DllCanUnloadNow")(), S_FALSE);
    reader.Reset();
    EXPECT_EQ(Export(module, "DllCanUnloadNow")(), S_OK);
    ASSERT_EQ(Export(module, "DllUnregisterServer")(), S_OK);
    for (const auto& [key, value] : values) EXPECT_EQ(Value(key), u"<no key>") << platform::FileNameFromWide(key);
    EXPECT_EQ(Value(kClass), u"<no key>");
    EXPECT_NE(Value(u"CLSID"), u"<no key>");
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

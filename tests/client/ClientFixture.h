// A client of the registered module, as any application is one: COM on the test's thread, the
// component object created by its ProgID, members called by name as a script host calls them.
// The module was registered before the suite runs (regsvr32 on Windows, tarn regsvr elsewhere).
#pragma once

#include <gtest/gtest.h>

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

inline LPCOLESTR Ole(const std::u16string& text) { return reinterpret_cast<LPCOLESTR>(text.c_str()); }

inline VARIANT Arg(const std::u16string& text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = AllocBstr(text);
    return v;
}

inline VARIANT Arg(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

// A member called by name through IDispatch: GetIDsOfNames, then Invoke with args in call
// order (cleared afterwards).
inline HRESULT Call(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
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

    client::ComPtr<IQVRecorderFileReader> Create() {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(Ole(u"Tarn.QVRecorderFileReader"), &clsid), S_OK);
        EXPECT_TRUE(IsEqualGUID(clsid, CLSID_QVRecorderFileReader));
        client::ComPtr<IQVRecorderFileReader> reader;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQVRecorderFileReader, reader.PutVoid()),
                  S_OK);
        return reader;
    }
    // Opens the recording (TwoChannelRecording unless given) on a new object.
    client::ComPtr<IQVRecorderFileReader> Open(const RecordingBuilder& file = TwoChannelRecording()) {
        client::ComPtr<IQVRecorderFileReader> reader = Create();
        const std::u16string path = platform::FileNameToWide(file.WriteTo(dir, "client" + std::to_string(++serial) + ".dat"));
        LONG ok = 0;
        EXPECT_EQ(reader->put_FileName(UniqueBstr(AllocBstr(path)).get()), S_OK);
        EXPECT_EQ(reader->open(&ok), S_OK);
        EXPECT_EQ(ok, 1);
        return reader;
    }

    TempDir dir;
    int serial = 0;
};

}  // namespace tarn::test

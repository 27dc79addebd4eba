// A client of the registered module, as any application is one: COM on the test's thread, and
// the component object created by its ProgID. The module was registered before the suite runs
// (regsvr32 on Windows, tarn regsvr elsewhere).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"
#include "platform/platform.h"
#include "tests/component/Recordings.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

inline LPCOLESTR Ole(const std::u16string& text) { return reinterpret_cast<LPCOLESTR>(text.c_str()); }

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
    std::u16string Recording(const RecordingBuilder& file = TwoChannelRecording()) {
        return platform::FileNameToWide(file.WriteTo(dir, "client" + std::to_string(++serial) + ".dat"));
    }

    TempDir dir;
    int serial = 0;
};

}  // namespace tarn::test

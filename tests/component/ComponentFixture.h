// A component object, made by its class object, with a recording of the test's own making, and owners for the memory the
// component hands out (so that every test frees what it receives, as the build runs under ASan).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component/CQVRecorderFileReader.h"
#include "component/ClassObject.h"
#include "component/ClientMemory.h"
#include "component/client/ComPtr.h"
#include "component/client/ScanEvents.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "tests/support/ScopedVariant.h"
#include "format/RecordingBuilder.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

template <typename T>
using TaskMem = std::unique_ptr<T, component::CoTaskMemDeleter>;

// The text a VARIANT holds, or a marker when it holds none.
inline std::u16string Text(ScopedVariant& value) {
    return V_VT(value.get()) == VT_BSTR ? BstrText(V_BSTR(value.get())) : u"<not a string>";
}

inline UniqueBstr Bstr(std::u16string_view text) { return UniqueBstr(AllocBstr(text)); }

// A new component object through its class object's creation function.
inline client::ComPtr<IQVRecorderFileReader> NewComponent() {
    client::ComPtr<IQVRecorderFileReader> object;
    EXPECT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
    return object;
}

class ComponentTest : public testing::Test {
protected:
    void SetFileName(const std::string& path) {
        const UniqueBstr name = Bstr(platform::FileNameToWide(path));
        ASSERT_EQ(component.put_FileName(name.get()), S_OK);
    }
    // Writes the recording, names it and opens it; the test stops when that fails.
    void Open(const RecordingBuilder& recording) {
        SetFileName(recording.WriteTo(dir, "recording" + std::to_string(++m_Serial) + ".dat"));
        LONG ok = -1;
        ASSERT_EQ(component.open(&ok), S_OK);
        ASSERT_EQ(ok, 1);
    }
    // Runs the background scan and waits for its end.
    void ScanAll() {
        client::ScanEvents events;
        ASSERT_EQ(events.Connect(object.Get()), S_OK);
        LONG ok = 0;
        ASSERT_EQ(component.ScanFile(&ok), S_OK);
        ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(30))) << "the scan does not end";
    }

    TempDir dir;
    client::ComPtr<IQVRecorderFileReader> object = NewComponent();
    // The members themselves, as the interfaces reach them.
    CQVRecorderFileReader& component = static_cast<CQVRecorderFileReader&>(*object.Get());

private:
    int m_Serial = 0;
};

}  // namespace tarn::test

// A component object with a recording of the test's own making, and owners for the memory the
// component hands out (so that every test frees what it receives, as the build runs under ASan).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component/CQVRecorderFileReader.h"
#include "component/ClientMemory.h"
#include "platform/platform.h"
#include "reader/CQVDataRecorderReader.h"
#include "setup/BstrText.h"
#include "tests/support/ScopedVariant.h"
#include "tests/support/RecordingBuilder.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

template <typename T>
using TaskMem = std::unique_ptr<T, component::CoTaskMemDeleter>;

// The text a VARIANT holds, or a marker when it holds none.
inline std::u16string Text(CScopedVariant& value) {
    return V_VT(value.get()) == VT_BSTR ? BstrText(V_BSTR(value.get())) : u"<not a string>";
}

inline UniqueBstr Bstr(std::u16string_view text) { return UniqueBstr(AllocBstr(text)); }

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
    // Runs the scan to its end, as the background scan does.
    void ScanAll() {
        CQVDataRecorderReader* reader = component.Reader();
        ASSERT_NE(reader, nullptr);
        for (int steps = 0; reader->ScanFile(); ++steps) ASSERT_LT(steps, 100000) << "the scan does not end";
        reader->SetScanComplete();
    }

    TempDir dir;
    CQVRecorderFileReader component;

private:
    int m_Serial = 0;
};

}  // namespace tarn::test

// A component object made by its class object, a folder for recordings, and the scan's events
// connected. Calls go to the members as the interfaces reach them; whatever the component hands
// out is freed (the build runs under ASan).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "component/CQVRecorderFileReader.h"
#include "component/ClassObject.h"
#include "component/ClientMemory.h"
#include "component/client/ComPtr.h"
#include "component/client/ScanEvents.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "tests/component/Recordings.h"
#include "tests/support/ScopedVariant.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

template <typename T>
using TaskMem = std::unique_ptr<T, component::CoTaskMemDeleter>;

inline UniqueBstr Bstr(std::u16string_view text) { return UniqueBstr(AllocBstr(text)); }

// A copy from the task allocator, as SetRECInfoArray takes a block over (also when it refuses).
inline BYTE* TaskCopy(const std::vector<unsigned char>& bytes) {
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(bytes.size()));
    if (block != nullptr) std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

// The text of a BSTR the component handed out (nullopt for a null one), which is freed.
inline std::optional<std::u16string> Owned(BSTR text) {
    const UniqueBstr owned(text);
    return text ? std::optional(BstrText(text)) : std::nullopt;
}

class ComponentTest : public testing::Test {
protected:
    ComponentTest() {
        EXPECT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
        EXPECT_EQ(events.Connect(object.Get()), S_OK);
    }
    void SetFileName(const std::string& path) {
        ASSERT_EQ(component().put_FileName(Bstr(platform::FileNameToWide(path)).get()), S_OK);
    }
    // Writes the recording, names it and opens it.
    void Open(const RecordingBuilder& recording, const char* name = "recording.dat") {
        SetFileName(recording.WriteTo(dir, name));
        LONG ok = -1;
        ASSERT_EQ(component().open(&ok), S_OK);
        ASSERT_EQ(ok, 1);
    }
    // Runs the background scan to its end.
    void ScanAll() {
        LONG ok = 0;
        events.Clear();
        ASSERT_EQ(component().ScanFile(&ok), S_OK);
        ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(60))) << "the scan does not end";
    }
    // A parameter's text; markers for VT_EMPTY and other types.
    std::u16string Parameter(const char16_t* key, LONG section) {
        ScopedVariant value;
        EXPECT_EQ(component().getParameter(Bstr(key).get(), section, value.get()), S_OK);
        if (V_VT(value.get()) == VT_EMPTY) return u"<empty>";
        return V_VT(value.get()) == VT_BSTR ? BstrText(V_BSTR(value.get())) : u"<not a string>";
    }
    CQVRecorderFileReader& component() { return static_cast<CQVRecorderFileReader&>(*object.Get()); }

    TempDir dir;
    client::ComPtr<IQVRecorderFileReader> object;
    client::ScanEvents events;   // goes before the object
};

}  // namespace tarn::test

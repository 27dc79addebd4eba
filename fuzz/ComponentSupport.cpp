#include "fuzz/ComponentSupport.h"

#include <cstdlib>

#include "component/ClassObject.h"
#include "platform/platform.h"
#include "setup/BstrText.h"

namespace tarn::fuzz {

namespace {

void InitializeComOnce() {
    static const bool initialized = [] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) std::abort();
        return true;
    }();
    (void)initialized;
}

}  // namespace

ComponentRecording OpenThroughComponent(const std::string& path, bool loadRECFile) {
    InitializeComOnce();
    ComponentRecording recording;
    if (FAILED(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader,
                                                     recording.reader.PutVoid()))) {
        std::abort();
    }
    recording.reader2 = recording.reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    const UniqueBstr name(AllocBstr(platform::FileNameToWide(path)));
    recording.reader->put_FileName(name.get());
    recording.reader2->put_EnableLoadRECFileWithCORAL(loadRECFile ? 1 : 0);
    LONG ok = 0;
    recording.open = recording.reader->open(&ok) == S_OK && ok == 1;
    return recording;
}

}  // namespace tarn::fuzz

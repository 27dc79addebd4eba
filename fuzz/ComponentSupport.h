// A recording opened through the component's interfaces, as a client opens it, for the fuzz
// targets that read files through the component.
#pragma once

#include <string>

#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"

namespace tarn::fuzz {

struct ComponentRecording {
    client::ComPtr<IQVRecorderFileReader> reader;
    client::ComPtr<IQVRecorderFileReader2> reader2;
    bool open = false;   // open answered S_OK with pbOk 1
};

// A new component object (COM initialised for the calling thread on first use) with FileName
// path and EnableLoadRECFileWithCORAL loadRECFile, then open.
ComponentRecording OpenThroughComponent(const std::string& path, bool loadRECFile);

}  // namespace tarn::fuzz

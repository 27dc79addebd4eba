// The companion .REC file of a recording, read through the .REC file server (IRECImport) into
// the parameter store.
#pragma once

#include "setup/ParamList.h"

#include <string>

namespace tarn::component {

// fileName is the recording's stored name. True when the server read the .REC file beside it
// (even when not every channel could be stored); false when the name is not a ".DAT" file, no
// .REC file pairs with it, a path exceeds 255 bytes, or the server is missing or fails.
bool LoadRECFile(const std::string& fileName, CParamList& params);

}  // namespace tarn::component

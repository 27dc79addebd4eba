// What the info and samples commands share: a recording opened through the component object
// and scanned to its end, and its texts made printable.
#pragma once

#include <string>

#include "compat/compat.h"

class CQVRecorderFileReader;

namespace tarn::tool {

// Opens path with the component and runs the block scan over the whole file, showing progress
// on stderr when the scan takes more than a moment. On failure says why on stderr and returns
// false.
bool OpenAndScan(CQVRecorderFileReader& component, const std::string& path);

// A text from the component in the console's encoding.
std::string Printable(BSTR text);

}  // namespace tarn::tool

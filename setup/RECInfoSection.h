// Reading the embedded REC info section of a recording: the bytes that the setup text's
// "RECInfoSectionPos" and "RECInfoSectionSize" point at. The bytes are read through a handle of
// their own, so a scan or a sequential read going on in the recording's stream keeps its position.
#pragma once

#include <cstdint>
#include <string>

#include "compat/compat.h"

namespace tarn {

// What the interface layer reports: Ok -> S_OK, Failed -> E_FAIL, OutOfMemory -> E_OUTOFMEMORY.
enum class RECInfoStatus { Ok, Failed, OutOfMemory };

// Reads size bytes from offset position of the file named fileName (a stored file name) into a
// new block from the task allocator; on Ok, block is that block (the caller frees it with
// CoTaskMemFree; a size of 0 gives an empty block all the same). Failed when the file cannot be
// opened, position or size is negative, or the file does not hold size bytes from position;
// OutOfMemory when the block cannot be allocated. On failure block is left unchanged and nothing
// is allocated.
RECInfoStatus ReadRECInfoSection(const std::string& fileName, std::int32_t position, std::int32_t size,
                                 BYTE*& block);

}  // namespace tarn

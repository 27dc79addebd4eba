// Reading the embedded REC info section of a recording: the bytes that the setup text's
// "RECInfoSectionPos" and "RECInfoSectionSize" point at. They are read through the recording's
// own stream (the file that was opened, whatever FileName says now), whose position is put back
// afterwards, so that whoever reads the stream next finds it where it left it.
#pragma once

#include <cstdint>

#include "compat/compat.h"
#include "platform/platform.h"

namespace tarn {

// What the interface layer reports: Ok -> S_OK, Failed -> E_FAIL, OutOfMemory -> E_OUTOFMEMORY.
enum class RECInfoStatus { Ok, Failed, OutOfMemory };

// Reads size bytes from offset position of file into a new block from the task allocator; on Ok,
// block is that block (the caller frees it with CoTaskMemFree; a size of 0 gives an empty block
// all the same). Failed when position or size is negative, the file does not hold size bytes
// from position, or its position cannot be taken or put back; OutOfMemory when the block cannot
// be allocated. On failure block is left unchanged and nothing is allocated. The file's position
// is the same afterwards as before, on every path where it could be taken.
RECInfoStatus ReadRECInfoSection(platform::File& file, std::int32_t position, std::int32_t size, BYTE*& block);

}  // namespace tarn

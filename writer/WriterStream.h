// Whole-item writes: an item counts as written only when every byte of it went to the stream.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace tarn {

inline bool WriteAll(platform::File& file, const void* data, std::size_t bytes) {
    return bytes == 0 || file.Write(data, bytes) == bytes;
}

}  // namespace tarn

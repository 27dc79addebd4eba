// Memory accounting of the index's containers, for IndexMemoryBytes.
#pragma once

#include <cstddef>

namespace tarn {

// Bytes an unordered map holds: its bucket array and one node per element (value, hash, link).
template <class Map> std::size_t HashMapMemoryBytes(const Map& map) {
    return map.bucket_count() * sizeof(void*) +
           map.size() * (sizeof(typename Map::value_type) + sizeof(std::size_t) + sizeof(void*));
}

}  // namespace tarn

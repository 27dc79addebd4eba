// How sequential reading lays out the values of several channels in one output block.
#pragma once

#include <cstdint>

enum RFMode : std::int32_t { RF_Interleaved = 0, RF_BlockInterleaved = 1 };

// Four runs of 16-bit values interleaved, four values per sample (a four-channel recording read
// sequentially): transposed in registers, sixteen samples at a time with AVX2, in a file compiled
// for it that OutputBlock calls only where the processor has it (the binaries run on any x86
// processor), and eight at a time with SSE2 otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn {

// Samples 0 .. n - 1 of the four runs at sources into out, sixteen at a time; returns how many
// it took (n rounded down to sixteen).
std::size_t InterleaveFour16Avx2(const unsigned char* const* sources, std::size_t n, std::int16_t* out);

}  // namespace tarn

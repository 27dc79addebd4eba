// The reduction compiled for AVX2; CompressBlockMinMax calls it only where the processor has it.
#include "reader/MinMaxReduce.h"

namespace tarn {

std::int32_t* ReduceBlockAvx2(const unsigned char* data, const MinMaxBuckets& buckets, bool is32Bit, std::int32_t* out) {
    return is32Bit ? Reduce<std::int32_t>(data, buckets, out) : Reduce<std::int16_t>(data, buckets, out);
}

}  // namespace tarn

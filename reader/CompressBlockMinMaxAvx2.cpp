// The reduction compiled for AVX2; CompressBlockMinMax uses it only where the processor has it.
#include "reader/MinMaxReduce.h"

namespace tarn {

const Reductions kAvx2Reductions = kThisBuild;

}  // namespace tarn

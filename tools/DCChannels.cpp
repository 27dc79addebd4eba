#include "tools/DCChannels.h"

#include <limits>

namespace tarn::tool {

std::vector<long> DCBlockCounts(IQVRecorderFileReader2& reader) {
    VARIANT list;
    VariantInit(&list);
    std::vector<long> blocks;
    if (SUCCEEDED(reader.GetDCChannelIndexes(0, std::numeric_limits<LONG>::max(), &list)) &&
        V_VT(&list) == (VT_ARRAY | VT_I4)) {
        SAFEARRAY* array = V_ARRAY(&list);
        LONG low = 0, high = -1;
        SafeArrayGetLBound(array, 1, &low);
        SafeArrayGetUBound(array, 1, &high);
        // (channel, block) pairs
        for (LONG i = low; i + 1 <= high; i += 2) {
            LONG dcChannel = 0;
            SafeArrayGetElement(array, &i, &dcChannel);
            if (dcChannel < 0 || dcChannel > 0xFFFF) continue;
            if (blocks.size() <= static_cast<std::size_t>(dcChannel)) blocks.resize(dcChannel + 1);
            ++blocks[dcChannel];
        }
    }
    VariantClear(&list);
    return blocks;
}

}  // namespace tarn::tool

#include "tools/Options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tarn::tool {

const CLI::Validator& Decimal() {
    static const CLI::Validator decimal(
        [](std::string& text) -> std::string {
            const std::size_t digits = text.compare(0, 1, "-") == 0 ? 1 : 0;
            const bool whole = text.size() > digits && std::all_of(text.begin() + digits, text.end(), [](char c) {
                                   return std::isdigit(static_cast<unsigned char>(c)) != 0;
                               });
            if (!whole) return "not a whole decimal number: " + text;
            const std::size_t zeros = text.find_first_not_of('0', digits);
            text.erase(digits, (zeros == std::string::npos ? text.size() - 1 : zeros) - digits);
            return {};
        },
        "", "decimal");
    return decimal;
}

bool CheckChannels(IQVRecorderFileReader& reader, const std::vector<LONG>& channels, bool once) {
    LONG count = 0;
    reader.get_NumberOfChannels(&count);
    for (auto at = channels.begin(); at != channels.end(); ++at) {
        if (*at < 1 || *at > count) {
            if (count == 0)
                std::fprintf(stderr, "tarn: channel %ld is not in this recording: it has no channels\n", static_cast<long>(*at));
            else
                std::fprintf(stderr, "tarn: channel %ld is not in this recording: its channels are 1..%ld\n",
                             static_cast<long>(*at), static_cast<long>(count));
            return false;
        }
        if (once && std::find(channels.begin(), at, *at) != at) {
            std::fprintf(stderr, "tarn: channel %ld is chosen twice\n", static_cast<long>(*at));
            return false;
        }
    }
    return true;
}

}  // namespace tarn::tool

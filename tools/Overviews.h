// What a display needs to draw a stretch of a channel at a given width: one (minimum, maximum)
// pair per pixel, or the samples themselves when there are fewer than two per pixel, and the
// stretches the recording lost to an overrun.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "tools/RecordingSource.h"

namespace tarn::tool {

using SampleSpan = std::pair<std::uint32_t, std::uint32_t>;  // [first, end)

struct SampleRun {
    std::uint32_t from = 0;
    std::vector<double> values;
};

struct OverviewAnswer {
    bool pairs = false;
    // Pairs, scaled: each covers the samples [start, end).
    std::vector<std::uint32_t> start, end;
    std::vector<double> low, high;
    // Samples, scaled: runs of consecutive sample numbers.
    std::vector<SampleRun> runs;
    std::vector<SampleSpan> gaps;
};

class Overviews {
public:
    // Up to this many samples per pixel are read and reduced here, so that every pair covers
    // exactly its pixel's samples. Beyond it the component's overview comes from its min/max cache,
    // which widens the range to whole blocks: at this many samples per pixel a block of about a
    // thousand samples at either end moves the picture by four pixels at most, less as the view
    // widens. More would cost more time than an overview may take (reading 2,000 pixels' samples).
    static constexpr std::uint32_t kRawPerPixel = 256;
    // Samples read at a time: what one request holds in memory.
    static constexpr std::uint32_t kChunk = 1 << 16;

    // The whole of each long channel is kept as (minimum, maximum) pairs (at most kCoarsePairs per
    // channel, kCoarseBytes for all), from the component's overview of the whole channel, whose
    // pairs lie evenly over its samples. Views of kCoarsePerPixel such pairs per pixel or more are
    // made from them: the widest views would otherwise fold most of the channel's cache each time.
    static constexpr std::uint32_t kCoarsePairs = 1 << 16;
    static constexpr std::size_t kCoarseBytes = std::size_t{64} << 20;
    static constexpr std::uint32_t kCoarsePerPixel = 4;

    // Whether the coarse pairs are made at start-up: a server answers many views, a plot draws one.
    enum class Coarse { Keep, Skip };
    explicit Overviews(RecordingSource& source, Coarse coarse = Coarse::Keep);
    // [from, to) of channel (1 .. N) for pixels (≥ 1) pixels.
    OverviewAnswer Make(LONG channel, std::uint32_t from, std::uint32_t to, std::uint32_t pixels);
    // The samples [from, to) the channel holds, in runs, with the gaps between them.
    OverviewAnswer Samples(LONG channel, std::uint32_t from, std::uint32_t to);

private:
    // Hands each run of samples of [from, to) that the channel holds to take, kChunk at most at a
    // time, and notes the stretches it lacks.
    void ForEachHeld(const ViewChannel& channel, std::uint32_t from, std::uint32_t to,
                     const std::function<void(std::uint32_t, const std::vector<LONG>&)>& take,
                     std::vector<SampleSpan>& gaps);
    void PairsFromCache(const ViewChannel& channel, std::uint32_t from, std::uint32_t to, std::uint32_t pixels,
                        OverviewAnswer& answer);

    // Pixels made from the channel's coarse pairs; false when it has none or the view is too narrow.
    bool PairsFromCoarse(const ViewChannel& channel, std::uint32_t from, std::uint32_t to, std::uint32_t pixels,
                         OverviewAnswer& answer) const;

    RecordingSource& m_Source;
    std::vector<std::vector<LONG>> m_Coarse;  // per channel: kCoarsePairs pairs, or none
};

}  // namespace tarn::tool

#include "tools/Overviews.h"

#include <algorithm>

namespace tarn::tool {

namespace {

// The first sample of pixel p of [from, from + span) cut into pixels.
std::uint32_t PixelStart(std::uint32_t from, std::uint64_t span, std::uint32_t pixels, std::uint64_t p) {
    return from + static_cast<std::uint32_t>(span * p / pixels);
}

void AddPair(OverviewAnswer& answer, std::uint32_t start, std::uint32_t end, double low, double high) {
    answer.start.push_back(start);
    answer.end.push_back(end);
    answer.low.push_back(low);
    answer.high.push_back(high);
}

}  // namespace

Overviews::Overviews(RecordingSource& source, Coarse coarse) : m_Source(source) {
    const std::vector<ViewChannel>& channels = source.Channels();
    m_Coarse.resize(channels.size());
    if (coarse == Coarse::Skip) return;
    const std::size_t pairs = std::min<std::size_t>(kCoarsePairs, kCoarseBytes / 8 / std::max<std::size_t>(1, channels.size()));
    for (std::size_t i = 0; i < channels.size() && pairs >= 1024; ++i) {
        const ViewChannel& c = channels[i];
        // Channels with gaps are left out: the cache's pairs do not lie evenly over their samples.
        if (c.overrun || c.first != 0 || c.end / pairs < std::uint64_t{kRawPerPixel}) continue;
        std::vector<LONG> values = source.Overview(c.number, 0, 0, static_cast<std::uint32_t>(2 * pairs));
        if (values.size() == 2 * pairs) m_Coarse[i] = std::move(values);
    }
}

OverviewAnswer Overviews::Make(LONG channel, std::uint32_t from, std::uint32_t to, std::uint32_t pixels) {
    const ViewChannel& facts = m_Source.Channel(channel);
    OverviewAnswer answer;
    from = std::max(from, facts.first);
    to = std::min(to, facts.end);
    if (from >= to) return answer;
    const std::uint64_t span = to - from;
    if (span < 2ull * pixels) return Samples(channel, from, to);
    answer.pairs = true;
    if (PairsFromCoarse(facts, from, to, pixels, answer)) return answer;
    if (span > std::uint64_t{kRawPerPixel} * pixels) {
        PairsFromCache(facts, from, to, pixels, answer);
        return answer;
    }
    // Each pixel's minimum and maximum, folded in as the samples come.
    std::vector<LONG> low(pixels), high(pixels);
    std::vector<bool> any(pixels, false);
    const auto fold = [&](std::uint32_t at, const std::vector<LONG>& values) {
        for (std::uint32_t i = 0; i < values.size();) {
            auto p = static_cast<std::uint32_t>((std::uint64_t{at} + i - from) * pixels / span);
            while (PixelStart(from, span, pixels, p + 1ull) <= at + i) ++p;  // the division can fall a pixel short
            const std::uint32_t stop =
                std::min<std::uint32_t>(static_cast<std::uint32_t>(values.size()), PixelStart(from, span, pixels, p + 1ull) - at);
            LONG lowest = any[p] ? low[p] : values[i], highest = any[p] ? high[p] : values[i];
            for (std::uint32_t k = i; k < stop; ++k) {  // two independent folds: vectorised
                lowest = std::min(lowest, values[k]);
                highest = std::max(highest, values[k]);
            }
            low[p] = lowest, high[p] = highest, any[p] = true;
            i = stop;
        }
    };
    ForEachHeld(facts, from, to, fold, answer.gaps);
    for (std::uint32_t p = 0; p < pixels; ++p) {
        if (any[p])
            AddPair(answer, PixelStart(from, span, pixels, p), PixelStart(from, span, pixels, p + 1ull),
                    low[p] * facts.scale, high[p] * facts.scale);
    }
    return answer;
}

OverviewAnswer Overviews::Samples(LONG channel, std::uint32_t from, std::uint32_t to) {
    const ViewChannel& facts = m_Source.Channel(channel);
    OverviewAnswer answer;
    std::uint32_t next = from;
    const auto take = [&](std::uint32_t at, const std::vector<LONG>& values) {
        if (answer.runs.empty() || at != next) answer.runs.push_back({at, {}});
        for (const LONG v : values) answer.runs.back().values.push_back(v * facts.scale);
        next = at + static_cast<std::uint32_t>(values.size());
    };
    ForEachHeld(facts, std::max(from, facts.first), std::min(to, facts.end), take, answer.gaps);
    return answer;
}

void Overviews::ForEachHeld(const ViewChannel& channel, std::uint32_t from, std::uint32_t to,
                            const std::function<void(std::uint32_t, const std::vector<LONG>&)>& take,
                            std::vector<SampleSpan>& gaps) {
    for (std::uint32_t at = from; at < to;) {
        const std::uint32_t stop = to - at > kChunk ? at + kChunk : to;
        const std::vector<LONG> got = m_Source.Samples(channel.number, at, stop);
        if (!got.empty()) take(at, got);
        at += static_cast<std::uint32_t>(got.size());
        if (at == stop) continue;
        // Only a channel that lost samples has gaps to look past; each turn moves on by one at least.
        if (!channel.overrun) break;
        const std::uint32_t next = m_Source.NextHeld(channel.number, at, to);
        gaps.emplace_back(at, next);
        at = next;
    }
}

bool Overviews::PairsFromCoarse(const ViewChannel& channel, std::uint32_t from, std::uint32_t to,
                                std::uint32_t pixels, OverviewAnswer& answer) const {
    const std::vector<LONG>& coarse = m_Coarse[static_cast<std::size_t>(channel.number - 1)];
    const std::uint64_t pairs = coarse.size() / 2, span = to - from, whole = channel.end;
    if (pairs == 0 || span * pairs < std::uint64_t{kCoarsePerPixel} * pixels * whole) return false;
    for (std::uint32_t p = 0; p < pixels; ++p) {
        const std::uint32_t start = PixelStart(from, span, pixels, p), end = PixelStart(from, span, pixels, p + 1ull);
        // The coarse pairs that share a sample with the pixel.
        const std::uint64_t first = std::uint64_t{start} * pairs / whole;
        const std::uint64_t last = std::min(pairs, (std::uint64_t{end} * pairs + whole - 1) / whole);
        LONG low = coarse[2 * first], high = coarse[2 * first + 1];
        for (std::uint64_t k = first + 1; k < last; ++k) {
            low = std::min(low, coarse[2 * k]);
            high = std::max(high, coarse[2 * k + 1]);
        }
        AddPair(answer, start, end, low * channel.scale, high * channel.scale);
    }
    return true;
}

void Overviews::PairsFromCache(const ViewChannel& channel, std::uint32_t from, std::uint32_t to,
                               std::uint32_t pixels, OverviewAnswer& answer) {
    const std::uint64_t span = to - from;
    const std::vector<LONG> values = m_Source.Overview(channel.number, from, to, 2 * pixels);
    if (values.size() != 2ull * pixels) return;
    for (std::uint32_t p = 0; p < pixels; ++p) {
        const auto [low, high] = std::minmax(values[2 * p], values[2 * p + 1]);
        AddPair(answer, PixelStart(from, span, pixels, p), PixelStart(from, span, pixels, p + 1ull), low * channel.scale,
                high * channel.scale);
    }
    if (!channel.overrun) return;
    // Samples lost: pixels whose first sample the recording lacks (the cache joins the blocks on
    // either side of a gap).
    for (std::uint32_t p = 0; p < pixels; ++p) {
        if (m_Source.Holds(channel.number, answer.start[p])) continue;
        if (!answer.gaps.empty() && answer.gaps.back().second == answer.start[p])
            answer.gaps.back().second = answer.end[p];
        else
            answer.gaps.emplace_back(answer.start[p], answer.end[p]);
    }
}

}  // namespace tarn::tool

// tarn plot FILE OUT.svg [--channels 1,3] [--from A --to B]: each chosen channel's envelope as the
// viewer draws it (tools/Overviews: each column's pair made exactly from its samples while they
// are few enough to read, else from the component's min/max cache), one panel per channel, in a
// standalone SVG: time in seconds from "SampleFrequency", values multiplied by the correction
// factor and labelled with the unit. Where a channel had an overrun ("OverrunLatched"), the plot
// columns whose first sample the recording lacks are shaded: the envelope joins the blocks on
// either side of a gap.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "component/client/ComponentRecording.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "tools/Command.h"
#include "tools/Options.h"
#include "tools/Overviews.h"
#include "tools/RecordingSource.h"

namespace tarn::tool {

namespace {

constexpr int kWidth = 1000;
constexpr int kLeft = 90;
constexpr int kColumns = 890;  // plot area width: one (minimum, maximum) pair per column
constexpr int kPanelHeight = 230;
constexpr int kTop = 34;
constexpr int kPlotHeight = 150;

struct Panel {
    std::u16string title;
    std::vector<double> at;         // per point: the sample it stands for (a pair: its samples' middle)
    std::vector<double> low, high;  // per point, in units
    std::vector<bool> missing;      // per column: the recording lacks the column's first sample
};

// Text for an SVG document: markup characters escaped, anything outside ASCII as a character
// reference, so that the file is the same on every system.
std::string XmlText(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c == '&' || c == '<' || c == '>' || c == '"' || c < 0x20 || c > 0x7E)
            out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::fabs(value) < 1e-12 ? 0.0 : value);
    return text;
}

// Round values 1, 2 or 5 × 10^k apart covering [low, high].
std::vector<double> Ticks(double low, double high) {
    const double rough = (high - low) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double step = power * (rough / power < 2 ? 1 : rough / power < 5 ? 2 : 5);
    std::vector<double> ticks;
    for (double t = std::ceil(low / step) * step; t <= high + step * 1e-9; t += step) ticks.push_back(t);
    return ticks;
}

// The columns whose first sample lies in one of gaps (ascending, apart).
std::vector<bool> MissingColumns(const std::vector<SampleSpan>& gaps, ULONG from, ULONG to) {
    std::vector<bool> missing(kColumns, false);
    auto gap = gaps.begin();
    for (int k = 0; k < kColumns; ++k) {
        const std::uint64_t first = from + std::uint64_t{to - from} * static_cast<unsigned>(k) / kColumns;
        while (gap != gaps.end() && gap->second <= first) ++gap;
        missing[static_cast<std::size_t>(k)] = gap != gaps.end() && gap->first <= first;
    }
    return missing;
}

// The channel's envelope over [from, to) as a display gets it: pairs made exactly over each
// column's samples where they are few enough to read, else from the min/max cache; the samples
// themselves when there are fewer than two per column.
bool BuildPanel(Recording& recording, Overviews& overviews, const ViewChannel& channel, ULONG from, ULONG to,
                Panel& panel) {
    const OverviewAnswer answer = overviews.Make(channel.number, from, to, kColumns);
    for (std::size_t i = 0; i < answer.low.size(); ++i) {
        panel.at.push_back((static_cast<double>(answer.start[i]) + answer.end[i]) / 2);
        panel.low.push_back(answer.low[i]);
        panel.high.push_back(answer.high[i]);
    }
    for (const SampleRun& run : answer.runs) {
        for (std::size_t i = 0; i < run.values.size(); ++i) {
            panel.at.push_back(static_cast<double>(run.from) + static_cast<double>(i) + 0.5);
            panel.low.push_back(run.values[i]);
            panel.high.push_back(run.values[i]);
        }
    }
    // Nothing to draw of a stretch the channel holds: the overview failed.
    if (panel.at.empty() && answer.gaps.empty() && std::max<ULONG>(from, channel.first) < std::min<ULONG>(to, channel.end))
        return false;
    IQVRecorderFileReader& reader = *recording.reader.Get();
    std::u16string name = WideParameter(reader, u"SignalName", channel.number);
    if (name.empty()) name = WideParameter(reader, u"OrgSignalName", channel.number);
    panel.title = u"channel " + platform::AnsiToWide(std::to_string(channel.number)) + (name.empty() ? u"" : u": " + name);
    BSTR unit = nullptr;
    if (SUCCEEDED(reader.GetUnit(channel.number, &unit)) && unit != nullptr && SysStringLen(unit) > 0)
        panel.title += u" (" + BstrText(unit) + u")";
    SysFreeString(unit);
    if (!channel.overrun) return true;
    panel.title += u", overrun: samples lost (shaded)";
    panel.missing = MissingColumns(answer.gaps, from, to);
    return true;
}

// One panel at y: frame, grid and labels, shaded gaps, the envelope as one polygon (maxima left to
// right, minima back).
void WritePanel(std::ostringstream& svg, const Panel& panel, int y, ULONG from, ULONG to, double frequency,
                const char* timeUnit) {
    const double t0 = from / frequency, t1 = to / frequency;
    double low = panel.low.empty() ? -1 : *std::min_element(panel.low.begin(), panel.low.end());
    double high = panel.high.empty() ? 1 : *std::max_element(panel.high.begin(), panel.high.end());
    if (high - low < 1e-12) low -= 1, high += 1;
    const double pad = (high - low) * 0.05;
    low -= pad, high += pad;
    const auto yOf = [&](double v) { return y + kTop + kPlotHeight * (high - v) / (high - low); };
    const auto xOf = [&](double t) { return kLeft + kColumns * (t - t0) / (t1 - t0); };
    svg << "<text x=\"" << kLeft << "\" y=\"" << y + 22 << "\" font-weight=\"bold\">" << XmlText(panel.title)
        << "</text>\n<rect x=\"" << kLeft << "\" y=\"" << y + kTop << "\" width=\"" << kColumns << "\" height=\""
        << kPlotHeight << "\" fill=\"#fafafa\" stroke=\"#888\"/>\n";
    for (std::size_t k = 0; k < panel.missing.size(); ++k) {
        if (panel.missing[k])
            svg << "<rect x=\"" << kLeft + static_cast<int>(k) << "\" y=\"" << y + kTop << "\" width=\"1\" height=\""
                << kPlotHeight << "\" fill=\"#f2a0a0\"/>\n";
    }
    for (const double v : Ticks(low, high)) {
        svg << "<line x1=\"" << kLeft << "\" x2=\"" << kLeft + kColumns << "\" y1=\"" << yOf(v) << "\" y2=\"" << yOf(v)
            << "\" stroke=\"#ddd\"/><text x=\"" << kLeft - 6 << "\" y=\"" << yOf(v) + 4 << "\" text-anchor=\"end\">"
            << Number(v) << "</text>\n";
    }
    for (const double t : Ticks(t0, t1)) {
        svg << "<line x1=\"" << xOf(t) << "\" x2=\"" << xOf(t) << "\" y1=\"" << y + kTop << "\" y2=\""
            << y + kTop + kPlotHeight + 4 << "\" stroke=\"#ddd\"/><text x=\"" << xOf(t) << "\" y=\""
            << y + kTop + kPlotHeight + 18 << "\" text-anchor=\"middle\">" << Number(t) << "</text>\n";
    }
    svg << "<text x=\"" << kLeft + kColumns << "\" y=\"" << y + kTop + kPlotHeight + 34 << "\" text-anchor=\"end\">time ("
        << timeUnit << ")</text>\n<polygon fill=\"#2a62b0\" stroke=\"#2a62b0\" stroke-width=\"1\" points=\"";
    const std::size_t n = panel.low.size();
    const auto x = [&](std::size_t i) { return kLeft + kColumns * (panel.at[i] - from) / (to - from); };
    for (std::size_t i = 0; i < n; ++i) svg << x(i) << "," << yOf(panel.high[i]) << " ";
    for (std::size_t i = n; i-- > 0;) svg << x(i) << "," << yOf(panel.low[i]) << " ";
    svg << "\"/>\n";
}

struct PlotOptions {
    std::string path, out;
    std::vector<LONG> channels;
    ULONG from = 0, to = 0;
};

int PlotCommand(const PlotOptions& options) {
    ULONG from = options.from, to = options.to;
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, options.path)) return kExitFailure;
    LONG channels = 0, last = 0;
    recording.reader->get_NumberOfChannels(&channels);
    std::vector<LONG> chosen = options.channels;
    if (chosen.empty()) {
        for (LONG c = 1; c <= channels; ++c) chosen.push_back(c);
    } else if (!CheckChannels(*recording.reader.Get(), chosen)) {
        return kExitFailure;
    }
    // The whole recording: as far as every channel has samples.
    if (from == to && SUCCEEDED(recording.reader2->GetLastSampleNumber(&last)) && last > 0) to = static_cast<ULONG>(last);
    if (to <= from) {
        std::fprintf(stderr, "tarn: no samples to plot in %lu..%lu\n", static_cast<unsigned long>(from),
                     static_cast<unsigned long>(to));
        return kExitFailure;
    }
    double frequency = 0;
    const bool seconds = SUCCEEDED(recording.reader->get_SampleFrequency(&frequency)) && frequency > 0;
    if (!seconds) frequency = 1;

    std::ostringstream svg;
    const int height = kPanelHeight * static_cast<int>(chosen.size());
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << kWidth << " " << height << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    RecordingSource source(recording, options.path);
    Overviews overviews(source, Overviews::Coarse::Skip);
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        Panel panel;
        if (!BuildPanel(recording, overviews, source.Channel(chosen[i]), from, to, panel)) {
            std::fprintf(stderr, "tarn: no overview of channel %ld\n", static_cast<long>(chosen[i]));
            return kExitFailure;
        }
        WritePanel(svg, panel, kPanelHeight * static_cast<int>(i), from, to, frequency, seconds ? "s" : "samples");
        const auto lost = std::count(panel.missing.begin(), panel.missing.end(), true);
        if (lost > 0) std::printf("channel %ld: samples lost in %ld plot columns\n", static_cast<long>(chosen[i]),
                                  static_cast<long>(lost));
    }
    svg << "</svg>\n";
    std::FILE* out = std::fopen(options.out.c_str(), "wb");
    const std::string text = svg.str();
    const bool written = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out != nullptr && std::fclose(out) != 0) return kExitFailure;
    if (!written) {
        std::fprintf(stderr, "tarn: cannot write %s: %s\n", options.out.c_str(), std::strerror(errno));
        return kExitFailure;
    }
    std::printf("plot of %zu channels written to %s\n", chosen.size(), options.out.c_str());
    return kExitOk;
}

}  // namespace

void AddPlotCommand(CLI::App& tool) {
    const auto [command, o] = AddCommand(
        tool, "plot", "Draw the chosen channels' envelopes as an SVG",
        "One panel per channel from the overview a display gets: time in seconds, values times the\n"
        "correction factor, labelled with the unit. Where a channel lost samples, the plot columns\n"
        "without one are shaded and counted.",
        PlotCommand);
    AddRecording(*command, o->path);
    command->add_option("OUT", o->out, "The SVG file to write")->required();
    AddChannelList(*command, o->channels, "The channels, as 1,3 (default: all)");
    command->add_option("--from", o->from, "The first sample (default 0)")->transform(Decimal());
    command->add_option("--to", o->to, "One past the last sample (default: as far as every channel has samples)")
        ->transform(Decimal());
}

}  // namespace tarn::tool

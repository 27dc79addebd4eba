// tarn export FILE OUT.csv [--channels 1,3] [--raw] and tarn export FILE OUT.wav --channels 1[,2]:
// every sample of the chosen channels, read block by block through the component's sequential
// reading (interleaved, with a channel selection when channels are chosen), as a CSV table or
// as a WAV file at the recording's sample frequency.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "component/ClientMemory.h"
#include "component/client/ComponentRecording.h"
#include "tools/Command.h"
#include "tools/Options.h"

#if TARN_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace tarn::tool {

namespace {

// Where the blocks go: rows of one value per chosen channel, each row at its own relative
// sample number (rows of one call are consecutive).
class BlockSink {
public:
    virtual ~BlockSink() = default;
    virtual bool Write(LONG firstSample, const LONG* values, std::size_t rows) = 0;
    virtual bool Close() = 0;
};

struct Choice {
    std::vector<LONG> channels;  // from 1, ascending
    bool selected = false;       // chosen with --channels
};

class CsvSink : public BlockSink {
public:
    CsvSink(std::FILE* file, std::vector<double> factors) : m_File(file), m_Factors(std::move(factors)) {}
    ~CsvSink() override {
        if (m_File) std::fclose(m_File);
    }

    bool Write(LONG firstSample, const LONG* values, std::size_t rows) override {
        const std::size_t k = m_Factors.size();
        for (std::size_t row = 0; row < rows; ++row) {
            Number(static_cast<LONG>(firstSample + static_cast<std::int64_t>(row)));
            for (std::size_t j = 0; j < k; ++j) {
                m_Line.push_back(',');
                const LONG value = values[row * k + j];
                if (m_Factors[j] == 0.0)
                    Number(value);
                else
                    Number(value * m_Factors[j]);
            }
            m_Line.push_back('\n');
            if (m_Line.size() >= kFlushBytes && !Flush()) return false;
        }
        return true;
    }
    bool Close() override {
        const bool ok = Flush() && std::fclose(m_File) == 0;
        m_File = nullptr;
        return ok;
    }
    bool WriteText(const std::string& text) {
        m_Line.insert(m_Line.end(), text.begin(), text.end());
        return true;
    }

private:
    static constexpr std::size_t kFlushBytes = 1 << 20;
    void Number(LONG value) { Append(std::to_chars(m_Text, m_Text + sizeof m_Text, value).ptr); }
    // Ten significant digits: more than a 32-bit sample holds, without the product's binary noise.
    void Number(double value) {
        Append(std::to_chars(m_Text, m_Text + sizeof m_Text, value, std::chars_format::general, 10).ptr);
    }
    void Append(const char* end) { m_Line.insert(m_Line.end(), static_cast<const char*>(m_Text), end); }
    bool Flush() {
        const bool ok = std::fwrite(m_Line.data(), 1, m_Line.size(), m_File) == m_Line.size();
        m_Line.clear();
        return ok;
    }

    std::FILE* m_File;
    std::vector<double> m_Factors;  // per column; 0: the stored integer
    std::vector<char> m_Line;
    char m_Text[32];
};

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::unique_ptr<BlockSink> OpenCsv(IQVRecorderFileReader& reader, const std::string& out, const Choice& choice,
                                   bool raw) {
    std::FILE* file = std::fopen(out.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "tarn: cannot create %s: %s\n", out.c_str(), std::strerror(errno));
        return nullptr;
    }
    std::vector<double> factors;
    std::string header = "sample";
    for (const LONG channel : choice.channels) {
        std::string name = SignalName(reader, channel);
        if (name.empty()) name = "channel " + std::to_string(channel);
        std::string unit;
        UnitOf(reader, channel, unit);
        header += "," + CsvField(unit.empty() ? name : name + " (" + unit + ")");
        double factor = 0.0;
        // Without a factor the stored integers are the values.
        factors.push_back(!raw && SUCCEEDED(reader.GetCorrectionFactor(channel, &factor)) ? factor : 0.0);
    }
    auto sink = std::make_unique<CsvSink>(file, std::move(factors));
    sink->WriteText(header + "\n");
    return sink;
}

#if TARN_HAVE_SNDFILE
class WavSink : public BlockSink {
public:
    // shifts: per column, how far its values move up to reach the file's width (16 for a 16-bit
    // channel in a 32-bit file, so that it plays at its own level, not 2^16 times quieter).
    WavSink(SNDFILE* file, bool is32, std::vector<int> shifts)
        : m_File(file), m_Is32(is32), m_Shifts(std::move(shifts)) {}
    ~WavSink() override {
        if (m_File) sf_close(m_File);
    }
    bool Write(LONG, const LONG* values, std::size_t rows) override {
        const auto frames = static_cast<sf_count_t>(rows);
        const std::size_t columns = m_Shifts.size();
        if (m_Is32) {
            m_Wide.resize(rows * columns);
            for (std::size_t i = 0; i < m_Wide.size(); ++i)
                m_Wide[i] = static_cast<int>(static_cast<std::uint32_t>(values[i]) << m_Shifts[i % columns]);
            return sf_writef_int(m_File, m_Wide.data(), frames) == frames;
        }
        m_Short.assign(values, values + rows * columns);
        return sf_writef_short(m_File, m_Short.data(), frames) == frames;
    }
    bool Close() override {
        const bool ok = sf_close(m_File) == 0;
        m_File = nullptr;
        return ok;
    }

private:
    SNDFILE* m_File;
    bool m_Is32;
    std::vector<int> m_Shifts;
    std::vector<short> m_Short;
    std::vector<int> m_Wide;
};
#endif

// The channels as PCM samples of their stored width (32 bits when any of them is 32-bit, the
// 16-bit ones then scaled to the same full scale).
std::unique_ptr<BlockSink> OpenWav(IQVRecorderFileReader& reader, const std::string& out, const Choice& choice) {
#if TARN_HAVE_SNDFILE
    double frequency = 0.0;
    if (FAILED(reader.get_SampleFrequency(&frequency)) || !(frequency >= 1.0 && frequency < 1e9)) {
        std::fprintf(stderr, "tarn: the recording has no usable sample frequency for a WAV file\n");
        return nullptr;
    }
    std::vector<bool> wide;
    for (const LONG channel : choice.channels) {
        LONG is32Bit = 0;
        wide.push_back(SUCCEEDED(reader.Is32BitData(channel - 1, &is32Bit)) && is32Bit != 0);
    }
    const bool is32 = std::find(wide.begin(), wide.end(), true) != wide.end();
    std::vector<int> shifts;
    for (const bool w : wide) shifts.push_back(is32 && !w ? 16 : 0);
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(frequency));
    info.channels = static_cast<int>(choice.channels.size());
    info.format = SF_FORMAT_WAV | (is32 ? SF_FORMAT_PCM_32 : SF_FORMAT_PCM_16);
    SNDFILE* file = sf_open(out.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "tarn: cannot create %s: %s\n", out.c_str(), sf_strerror(nullptr));
        return nullptr;
    }
    return std::make_unique<WavSink>(file, is32, std::move(shifts));
#else
    (void)reader, (void)out, (void)choice;
    std::fprintf(stderr, "tarn: WAV export is not available in this build\n");
    return nullptr;
#endif
}

// The values of the block just read, widened to 32 bits.
bool BlockValues(IQVRecorderFileReader& reader, std::vector<LONG>& values) {
    VARIANT block;
    VariantInit(&block);
    void* data = nullptr;
    LONG size = 0;
    const bool ok = SUCCEEDED(reader.get_BlockSize(&size)) && SUCCEEDED(reader.getBlock32(&block)) &&
                    SUCCEEDED(SafeArrayAccessData(V_ARRAY(&block), &data));
    if (ok) {
        values.assign(static_cast<const LONG*>(data), static_cast<const LONG*>(data) + size);
        SafeArrayUnaccessData(V_ARRAY(&block));
    }
    VariantClear(&block);
    return ok;
}

// Reads to the end of the stream into sink; counts the reads that dropped samples.
bool ExportBlocks(Recording& recording, const Choice& choice, BlockSink& sink, const std::string& out,
                  bool showBar, long& overruns) {
    IQVRecorderFileReader& reader = *recording.reader.Get();
    LONG first = 0, last = 0;
    recording.reader2->GetFirstSampleNumber(&first);
    recording.reader2->GetLastSampleNumber(&last);
    ProgressBar bar("exporting " + out);
    showBar = showBar && last > first;
    std::vector<LONG> values;
    const std::size_t k = choice.channels.size();
    for (;;) {
        LONG ok = 0, start = 0;
        VARIANT_BOOL overrun = VARIANT_FALSE;
        if (FAILED(reader.read(&ok))) return false;
        if (ok == 0) break;
        if (!BlockValues(reader, values) || FAILED(reader.get_SampleNumber(&start))) return false;
        if (SUCCEEDED(reader.get_Overrun(&overrun)) && overrun != VARIANT_FALSE) ++overruns;
        const std::size_t rows = values.size() / k;
        if (!sink.Write(start, values.data(), rows)) return false;
        if (showBar)
            bar.Show(static_cast<LONG>((static_cast<double>(start) + static_cast<double>(rows) - first) * 100.0 / (static_cast<double>(last) - first)));
    }
    bar.Finish();
    return true;
}

bool EndsWith(const std::string& text, const char* suffix) {
    const std::string tail(suffix);
    if (text.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

struct ExportOptions {
    std::string path, out;
    std::vector<LONG> channels;
    bool raw = false;
};

int ExportCommand(const ExportOptions& options) {
    const std::string& out = options.out;
    const bool wav = EndsWith(out, ".wav");
    if (!wav && !EndsWith(out, ".csv")) BadArguments("OUT must end in .csv or .wav: " + out);
    if (wav && options.raw) BadArguments("--raw is for CSV files: a WAV file holds the stored integers");
    if (wav && options.channels.empty()) BadArguments("a WAV file needs its channels chosen with --channels");

    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, options.path)) return kExitFailure;
    IQVRecorderFileReader& reader = *recording.reader.Get();
    LONG count = 0;
    reader.get_NumberOfChannels(&count);
    if (!CheckChannels(reader, options.channels, true)) return kExitFailure;
    Choice choice{options.channels, !options.channels.empty()};
    std::sort(choice.channels.begin(), choice.channels.end());
    if (!choice.selected)
        for (LONG channel = 1; channel <= count; ++channel) choice.channels.push_back(channel);
    if (choice.selected) {
        // The selection takes channel indexes from 0.
        std::vector<std::int32_t> indexes(choice.channels.begin(), choice.channels.end());
        for (std::int32_t& index : indexes) --index;
        VARIANT list;
        component::I4ListToVariant(indexes, &list);
        const HRESULT hr = reader.put_ChannelSelection(list);
        VariantClear(&list);
        if (FAILED(hr)) return kExitFailure;
    }

    std::unique_ptr<BlockSink> sink = wav ? OpenWav(reader, out, choice) : OpenCsv(reader, out, choice, options.raw);
    if (!sink) return kExitFailure;
    long overruns = 0;
    if (!ExportBlocks(recording, choice, *sink, out, WantsProgressBar(options.path), overruns) || !sink->Close()) {
        std::fprintf(stderr, "tarn: writing %s failed\n", out.c_str());
        return kExitFailure;
    }
    if (overruns > 0)
        std::fprintf(stderr, "tarn: %ld reads dropped samples that not every channel has (overrun)\n", overruns);
    return kExitOk;
}

}  // namespace

void AddExportCommand(CLI::App& tool) {
    const auto [command, o] = AddCommand(
        tool, "export", "Every sample of the chosen channels as CSV or as WAV",
        "Reads through sequential reading. CSV: a header of names and units, then a row per sample: its\n"
        "number, then each channel's value times its correction factor. WAV: at the recording's sample\n"
        "frequency, 16-bit PCM, or 32-bit when a chosen channel is stored with 32 bits.",
        ExportCommand);
    AddRecording(*command, o->path);
    command->add_option("OUT", o->out, "The file to write: NAME.csv or NAME.wav")->required();
    AddChannelList(*command, o->channels, "The channels, as 1,3, each once (default: all; a WAV file needs them)");
    command->add_flag("--raw", o->raw, "CSV: the stored integers, not times the correction factor");
}

}  // namespace tarn::tool

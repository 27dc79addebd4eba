// The writer interface: its result codes in each state, how writing and reading share the one
// file, recordings written through IQVRecorderFileWriter and read back through the reader
// interfaces, and the embedded REC info through GetRECInfoSection.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "tests/component/ComponentFixture.h"
#include "tests/component/Recordings.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

using W = IQVRecorderFileWriter;
constexpr LONG kFirstSample = 5000;

// A copy from the task allocator, as SetRECInfoArray takes a block over.
BYTE* TaskBlock(const Bytes& bytes) {
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(bytes.size()));
    if (block != nullptr) std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

struct Plan {
    std::vector<bool> wide;  // per channel: 32-bit samples
    std::int32_t blockSamples, blocks;
    bool swapIds;            // SetChId exchanges the first two channels' identifiers
};

std::vector<std::int32_t> Samples(std::int32_t channel, std::uint32_t from, std::uint32_t count, bool wide) {
    std::vector<std::int32_t> out(count);
    for (std::uint32_t i = from; i < from + count; ++i)
        out[i - from] = wide ? static_cast<std::int32_t>(i * 65537u + static_cast<std::uint32_t>(channel))
                             : static_cast<std::int16_t>(i * 7 + static_cast<std::uint32_t>(channel) * 1000);
    return out;
}

// The overload status of a channel's second block; the others have none.
BYTE Overload(std::int32_t channel) { return static_cast<BYTE>(0x80 | channel); }
std::u16string Number(std::int32_t n) { return platform::AnsiToWide(std::to_string(n)); }

class WriterTest : public testing::Test {
protected:
    void SetUp() override { NewObject(); }
    void NewObject() {
        reader = NewComponent();
        reader2 = reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
        writer = reader.As<W>(IID_IQVRecorderFileWriter);
    }
    void Name(const std::string& path) { ASSERT_EQ(writer->put_FileName(Bstr(platform::FileNameToWide(path)).get()), S_OK); }
    LONG OpenForReading(const std::string& path) {
        Name(path);
        LONG ok = 0;
        EXPECT_EQ(reader->open(&ok), S_OK);
        return ok;
    }
    void ScanAll() {
        client::ScanEvents events;
        LONG ok = 0;
        ASSERT_EQ(events.Connect(reader.Get()), S_OK);
        ASSERT_EQ(reader2->ScanFile(&ok), S_OK);
        ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(60)));
    }
    // The result of GetRECInfoSection; bytes gets the block, which is null on failure.
    HRESULT RECInfo(Bytes& bytes) {
        LONG size = -7;
        BYTE* raw = nullptr;
        const HRESULT hr = reader2->GetRECInfoSection(&size, &raw);
        const TaskMem<BYTE> block(raw);
        EXPECT_EQ(raw == nullptr, FAILED(hr));
        bytes = raw ? Bytes(raw, raw + size) : Bytes();
        return hr;
    }

    // The plan's recording through the writer interface, with a REC info of 1234 bytes and a DC
    // block per round; every block method is used where the widths allow.
    void Write(const Plan& plan, const std::string& path, bool close = true) {
        const auto channels = static_cast<std::int32_t>(plan.wide.size());
        Name(path);
        ASSERT_EQ(writer->OpenFile(), S_OK);
        ASSERT_EQ(writer->SetNumberOfChannels(channels), S_OK);
        ASSERT_EQ(writer->SetParameter(Bstr(u"SampleFrequency").get(), 0, Bstr(u"48000").get()), S_OK);
        for (std::int32_t k = 1; k <= channels; ++k) {
            ASSERT_EQ(writer->SetParameter(Bstr(u"SignalName").get(), k, Bstr(u"S" + Number(k)).get()), S_OK);
            ASSERT_EQ(writer->SetParameter(Bstr(u"CorrectionFactor").get(), k, Bstr(Number(k) + u".5").get()), S_OK);
        }
        ASSERT_EQ(writer->SetRECInfo(Bstr(platform::FileNameToWide(dir.write("set.REC", Pattern(1234)))).get()), S_OK);
        ASSERT_EQ(writer->WriteSetupSection(), S_OK);
        ASSERT_EQ(writer->InitializeBinaryDataSection(kFirstSample), S_OK);
        ASSERT_TRUE(!plan.swapIds || (writer->SetChId(0, 1) == S_OK && writer->SetChId(1, 0) == S_OK));
        const auto n = static_cast<std::uint32_t>(plan.blockSamples);
        for (std::uint32_t b = 0; b < static_cast<std::uint32_t>(plan.blocks); ++b) {
            for (std::int32_t k = 1; k <= channels; ++k) {
                const bool wide = plan.wide[static_cast<std::size_t>(k - 1)];
                Bytes data = SampleBytes(Samples(k, b * n, n, wide), wide);
                BYTE* p = data.data();
                const LONG count = plan.blockSamples;
                ASSERT_EQ(b == 1 ? (wide ? writer->Create32bitBinaryDataBlockWithOverloadStatus(k, count, p, Overload(k))
                                         : writer->CreateBinaryDataBlockWithOverloadStatus(k, count, p, Overload(k)))
                                 : (wide ? writer->Create32bitBinaryDataBlock(k, count, p)
                                         : writer->CreateBinaryDataBlock(k, count, p)),
                          S_OK);
            }
            Bytes dc = DCBlock(90000 + b * n, 1, b);  // on the recorder's count: moved onto the writer's
            ASSERT_EQ(writer->CreateDCChannelBlock(0, 20, dc.data()), S_OK);
        }
        if (!close) return;
        ASSERT_EQ(writer->CloseFile(), S_OK);
    }

    // Channel c as read back: its samples, their overload status, its parameters.
    void ExpectChannel(const Plan& plan, LONG c) {
        SCOPED_TRACE(c);
        // Blocks go where their identifier says.
        const std::int32_t written = plan.swapIds && c <= 2 ? 3 - c : c;
        const bool wide = plan.wide[static_cast<std::size_t>(written - 1)];
        const LONG total = plan.blockSamples * plan.blocks;
        LONG last = 0;
        std::vector<std::int32_t> got;
        void* raw = nullptr;
        ASSERT_EQ(wide ? reader2->GetSamples32Bit(c, 0, total, &last, reinterpret_cast<LONG**>(&raw))
                       : reader2->GetSamples(c, 0, total, &last, reinterpret_cast<short**>(&raw)),
                  S_OK);
        const TaskMem<void> owned(raw);
        if (wide)
            got.assign(static_cast<LONG*>(raw), static_cast<LONG*>(raw) + total);
        else
            got.assign(static_cast<short*>(raw), static_cast<short*>(raw) + total);
        EXPECT_EQ(last, total - 1);
        EXPECT_TRUE(got == Samples(written, 0, static_cast<std::uint32_t>(total), wide));
        BYTE whole = 0, first = 0xFF;
        ASSERT_EQ(reader2->GetOverloadStatusInRange(c, 0, total, &whole), S_OK);
        ASSERT_EQ(reader2->GetOverloadStatusInRange(c, 0, plan.blockSamples, &first), S_OK);
        EXPECT_EQ(whole, Overload(written));
        EXPECT_EQ(first, 0);
        ScopedVariant name;
        double factor = 0;
        ASSERT_EQ(reader->getParameter(Bstr(u"SignalName").get(), c, name.get()), S_OK);
        ASSERT_EQ(reader->GetCorrectionFactor(c, &factor), S_OK);
        EXPECT_EQ(Text(name), u"S" + Number(c));
        EXPECT_EQ(factor, c + 0.5);
    }

    TempDir dir;
    client::ComPtr<IQVRecorderFileReader> reader;
    client::ComPtr<IQVRecorderFileReader2> reader2;
    client::ComPtr<W> writer;
};

// One call after another on one object: each result code of the writer members, in the state
// the calls before it made.
TEST_F(WriterTest, ResultCodesInEachState) {
    Bytes samples = SampleBytes({1, 2, 3, 4}, false), dc = DCBlock(0, 1);
    BYTE* data = samples.data();
    using Call = std::function<HRESULT(W&)>;
    const std::vector<Call> writerMembers = {
        [](W& w) { return w.SetNumberOfChannels(1); },
        [](W& w) { return w.SetParameter(Bstr(u"Unit").get(), 0, Bstr(u"V").get()); },
        [](W& w) { return w.WriteSetupSection(); },
        [](W& w) { return w.SetRECInfo(Bstr(u"x.REC").get()); },
        [](W& w) { return w.SetRECInfoArray(3, TaskBlock(Pattern(3))); },  // freed all the same
        [](W& w) { return w.InitializeBinaryDataSection(0); },
        [](W& w) { return w.SetChId(0, 0); },
        [&](W& w) { return w.CreateBinaryDataBlock(1, 4, data); },
        [&](W& w) { return w.CreateBinaryDataBlockWithOverloadStatus(1, 4, data, 1); },
        [&](W& w) { return w.Create32bitBinaryDataBlock(1, 2, data); },
        [&](W& w) { return w.Create32bitBinaryDataBlockWithOverloadStatus(1, 2, data, 1); },
        [&](W& w) { return w.CreateDCChannelBlock(0, 20, dc.data()); },
    };
    const struct {
        const char* what;
        Call call;
        HRESULT expected;
    } steps[] = {
        {"close without a writer", [](W& w) { return w.CloseFile(); }, S_OK},
        {"open without a name", [](W& w) { return w.OpenFile(); }, E_FAIL},
        {"open", [&](W& w) { Name(dir.file("codes.dat")); return w.OpenFile(); }, S_OK},
        {"open again", [](W& w) { return w.OpenFile(); }, E_FAIL},
        {"channel before any is declared", [](W& w) { return w.SetParameter(Bstr(u"Unit").get(), 1, nullptr); }, E_INVALIDARG},
        {"two channels", [](W& w) { return w.SetNumberOfChannels(2); }, S_OK},
        {"block before the data section", [&](W& w) { return w.CreateBinaryDataBlock(1, 4, data); }, E_FAIL},
        {"REC file missing", [](W& w) { return w.SetRECInfo(Bstr(u"no such.REC").get()); }, E_FAIL},
        {"REC info of negative size", [](W& w) { return w.SetRECInfoArray(-1, TaskBlock(Pattern(3))); }, E_INVALIDARG},
        {"REC info missing", [](W& w) { return w.SetRECInfoArray(3, nullptr); }, E_POINTER},
        {"REC info", [](W& w) { return w.SetRECInfoArray(3, TaskBlock(Pattern(3))); }, S_OK},
        {"setup", [](W& w) { return w.WriteSetupSection(); }, S_OK},
        {"data section", [](W& w) { return w.InitializeBinaryDataSection(0); }, S_OK},
        {"id of index 2 of 2", [](W& w) { return w.SetChId(2, 1); }, E_FAIL},
        {"channel 3 of 2", [&](W& w) { return w.CreateBinaryDataBlock(3, 4, data); }, E_INVALIDARG},
        {"null samples", [](W& w) { return w.Create32bitBinaryDataBlockWithOverloadStatus(1, 2, nullptr, 1); }, E_POINTER},
        {"DC size off its header", [&](W& w) { return w.CreateDCChannelBlock(0, 16, dc.data()); }, E_INVALIDARG},
        {"DC null", [](W& w) { return w.CreateDCChannelBlock(0, 20, nullptr); }, E_POINTER},
        {"close", [](W& w) { return w.CloseFile(); }, S_OK},
    };
    for (const Call& call : writerMembers) EXPECT_EQ(call(*writer.Get()), E_POINTER) << &call - writerMembers.data();
    for (const auto& step : steps) EXPECT_EQ(step.call(*writer.Get()), step.expected) << step.what;
    for (const Call& call : writerMembers) EXPECT_EQ(call(*writer.Get()), E_POINTER) << &call - writerMembers.data();
}

// Reading and writing share the one file of the object, and neither side closes the other's.
TEST_F(WriterTest, ReadingAndWritingExcludeEachOther) {
    const std::string recording = TwoChannelRecording().WriteTo(dir, "read.dat");
    ASSERT_EQ(OpenForReading(recording), 1);
    Name(dir.file("new.dat"));
    EXPECT_EQ(writer->OpenFile(), E_FAIL);
    EXPECT_EQ(writer->CloseFile(), S_OK);
    Bytes bytes;
    EXPECT_EQ(RECInfo(bytes), S_OK) << "the recording stays open";
    ASSERT_EQ(reader->close(), S_OK);

    ASSERT_EQ(writer->OpenFile(), S_OK);
    LONG ok = -1;
    EXPECT_EQ(reader->open(&ok), E_FAIL);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(reader->close(), S_OK);
    EXPECT_EQ(writer->SetRECInfoArray(3, TaskBlock(Pattern(3))), S_OK);
    EXPECT_EQ(writer->WriteSetupSection(), S_OK) << "the writer and its file stay open";
}

// CloseFile ends the writer: the next one starts from the defaults, without the REC info.
TEST_F(WriterTest, NothingSurvivesCloseFile) {
    Name(dir.file("first.dat"));
    ASSERT_EQ(writer->OpenFile(), S_OK);
    ASSERT_EQ(writer->SetParameter(Bstr(u"SampleFrequency").get(), 0, Bstr(u"100").get()), S_OK);
    ASSERT_EQ(writer->SetRECInfoArray(3, TaskBlock(Pattern(3))), S_OK);
    ASSERT_EQ(writer->CloseFile(), S_OK);
    const std::string second = dir.file("second.dat");
    Name(second);
    ASSERT_EQ(writer->OpenFile(), S_OK);
    // Texts end at a zero character, as a C client sees them: no zero byte in the setup text.
    ASSERT_EQ(writer->SetParameter(Bstr(std::u16string(u"Note\0x", 6)).get(), 0, Bstr(std::u16string(u"a\0b", 3)).get()), S_OK);
    EXPECT_EQ(writer->WriteSetupSection(), E_FAIL) << "no REC info";
    ASSERT_EQ(writer->CloseFile(), S_OK);
    std::ifstream in(second, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(text.find("\nRECInfoSectionSize=0\nRECInfoSectionPos=00000000\nSampleFrequency=\n"), std::string::npos);
    EXPECT_NE(text.find("\nNote=a\n"), std::string::npos);
}

// Releasing the object with a writer open closes the file with everything written to it.
TEST_F(WriterTest, ReleaseClosesTheWrittenFile) {
    const Plan plan{{false}, 4, 3, false};
    ASSERT_NO_FATAL_FAILURE(Write(plan, dir.file("released.dat"), false));
    NewObject();
    ASSERT_EQ(OpenForReading(dir.file("released.dat")), 1);
    ScanAll();
    ExpectChannel(plan, 1);
}

class WriterRoundTrip : public WriterTest, public testing::WithParamInterface<Plan> {};

TEST_P(WriterRoundTrip, ReadsBackThroughTheReaderInterfaces) {
    const Plan& plan = GetParam();
    ASSERT_NO_FATAL_FAILURE(Write(plan, dir.file("roundtrip.dat")));
    ASSERT_EQ(OpenForReading(dir.file("roundtrip.dat")), 1);
    ScanAll();
    double frequency = 0;
    ASSERT_EQ(reader->get_SampleFrequency(&frequency), S_OK);
    EXPECT_EQ(frequency, 48000.0);
    for (LONG c = 1; c <= static_cast<LONG>(plan.wide.size()); ++c) ExpectChannel(plan, c);

    ScopedVariant indexes;
    ASSERT_EQ(reader2->GetDCChannelIndexes(0, plan.blockSamples * plan.blocks, indexes.get()), S_OK);
    ASSERT_EQ(V_VT(indexes.get()), VT_ARRAY | VT_I4);
    EXPECT_EQ(V_ARRAY(indexes.get())->rgsabound[0].cElements, 2u * static_cast<ULONG>(plan.blocks));
    for (LONG b = 0; b < plan.blocks; ++b) {
        LONG size = 0;
        BYTE* raw = nullptr;
        ASSERT_EQ(reader2->GetDCChannelBlock(0, b, &size, &raw), S_OK);
        const TaskMem<BYTE> block(raw);
        const auto sampleNo = static_cast<std::uint32_t>(kFirstSample + b * plan.blockSamples);
        EXPECT_EQ(Bytes(raw, raw + size), DCBlock(sampleNo, 1, static_cast<std::uint32_t>(b)));
    }
    Bytes rec;
    ASSERT_EQ(RECInfo(rec), S_OK);
    EXPECT_EQ(rec, Pattern(1234));
}

INSTANTIATE_TEST_SUITE_P(Plans, WriterRoundTrip,
                         testing::Values(Plan{{false}, 8192, 256, false},             // two million samples
                                         Plan{{false, true, false}, 1000, 6, false},  // mixed widths
                                         Plan{{false, true}, 512, 4, true}));         // identifiers exchanged

// The REC info where the setup text points, or a failure code and no block; always from the
// recording that was opened, whatever FileName says since.
TEST_F(WriterTest, RECInfoWhereTheSetupTextPoints) {
    Bytes bytes;
    EXPECT_EQ(RECInfo(bytes), E_FAIL) << "no recording";
    const struct {
        const char* lines;
        HRESULT expected;
        std::ptrdiff_t position, size;
    } cases[] = {
        {"", S_OK, 0, 0},                                                     // no REC info: an empty block
        {"\nRECInfoSectionSize=4", S_OK, 0, 4},                               // no position: offset 0
        {"\nRECInfoSectionPos=00000008\nRECInfoSectionSize=4", S_OK, 8, 4},   // as the writer pads it
        {"\nRECInfoSectionPos=8\nRECInfoSectionSize=four", DISP_E_TYPEMISMATCH, 0, 0},
        {"\nRECInfoSectionPos=99999999999\nRECInfoSectionSize=1", DISP_E_OVERFLOW, 0, 0},
        {"\nRECInfoSectionPos=8\nRECInfoSectionSize=100000", E_FAIL, 0, 0},  // the file ends first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        const RecordingBuilder recording =
            RecordingBuilder().Setup(std::string("\n[SETUP START]") + c.lines + "\n[SETUP STOP]\n").Header(1);
        ASSERT_EQ(OpenForReading(recording.WriteTo(dir, "rec.dat")), 1);
        Name(dir.file("other.dat"));
        EXPECT_EQ(RECInfo(bytes), c.expected);
        EXPECT_EQ(bytes, Bytes(recording.bytes().begin() + c.position, recording.bytes().begin() + c.position + c.size));
        LONG size = 0;
        EXPECT_EQ(reader2->GetRECInfoSection(&size, nullptr), E_POINTER);
        ASSERT_EQ(reader->close(), S_OK);
    }
}

// Between the steps of a scan the REC info leaves the scan's results as they were; while the
// background scan runs it is refused, like every member that reads the recording.
TEST_F(WriterTest, RECInfoDuringAScan) {
    const Plan plan{{false, false}, 8, 20000, false};
    ASSERT_NO_FATAL_FAILURE(Write(plan, dir.file("scan.dat")));
    ASSERT_EQ(OpenForReading(dir.file("scan.dat")), 1);
    Bytes bytes;
    LONG last = 0;
    short* raw = nullptr;
    ASSERT_EQ(reader2->GetSamples(1, 0, 8, &last, &raw), S_OK);  // one scan step
    CoTaskMemFree(raw);
    ASSERT_EQ(RECInfo(bytes), S_OK);
    client::ScanEvents events;
    LONG ok = 0;
    ASSERT_EQ(events.Connect(reader.Get()), S_OK);
    ASSERT_EQ(reader2->ScanFile(&ok), S_OK);
    const HRESULT during = RECInfo(bytes);
    const bool stillRunning = !events.WaitForScan(std::chrono::milliseconds(0));
    ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(60)));
    EXPECT_TRUE(!stillRunning || during == E_FAIL);
    for (LONG c = 1; c <= 2; ++c) ExpectChannel(plan, c);
    ASSERT_EQ(RECInfo(bytes), S_OK);
    EXPECT_EQ(bytes, Pattern(1234));
}

}  // namespace
}  // namespace tarn::test

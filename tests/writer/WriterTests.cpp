// The writer: the setup chunk with the REC info and its patched size and position, the file
// header, and the sample and DC blocks, byte for byte.
#include <clocale>
#include <functional>
#include <tuple>

#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

constexpr char kSectionLine[] = "[RECFileInfoSection]\n";

// The lines of the defaults, so that each case spells out only what it changes.
std::string Recorder(const std::string& noChannels, const std::string& sampleFrequency = "") {
    return "\nSampleFrequency=" + sampleFrequency + "\nNoChannels=" + noChannels +
           "\nDataType=Integer\nDataBitSize=16\nFormatID=PortableCORAL\nVersion=1.00.000\n";
}
std::string Channel(int k, const std::string& unit = "Pa", const std::string& signalName = "") {
    return "\n[Channel " + std::to_string(k) + "]\nSignalName=" + signalName +
           "\nOrgSignalName=\nCorrectionFactor=0.0001\nOffset=0.000000\nOverloadRatio=0.000000\nUnit=" + unit + "\n";
}

TEST(WriterSetup, WorkedExampleByteForByte) {
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    TempDir dir;
    WrittenFile f(dir, "example.dat");
    const Bytes info = Pattern(1000);
    ASSERT_EQ(f->SetNumberOfChannels(1), Ok);
    ASSERT_EQ(f->SetParameter(u"SampleFrequency", 0, u"65536"), Ok);
    ASSERT_EQ(f->SetParameter(u"SignalName", 1, u"Mic"), Ok);
    ASSERT_EQ(f->SetRECInfoArray(1000, info.data()), Ok);
    ASSERT_EQ(f->WriteSetupSection(), Ok);

    const std::string text = "\n[SETUP START]\nRECInfoSectionSize=1000\nRECInfoSectionPos=00000330" +
                             Recorder("1", "65536") + Channel(1, "Pa", "Mic") + "\n[SETUP STOP]\n";
    ASSERT_EQ(text.size(), 301u);
    EXPECT_EQ(f.Text(), "QVSU" + std::string("\x32\x05\0\0", 4) + text + kSectionLine + std::string(info.begin(), info.end()));
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), locale);
}

// A call on the parameter list: SetParameter(name, channel, value), or with a null name
// SetNumberOfChannels(channel); and the status it gives.
struct Call {
    const char16_t* name;
    std::int32_t channel;
    const char16_t* value = u"";
    WriterStatus status = Ok;
};

TEST(WriterSetup, EmissionRules) {
    const std::int32_t tooMany = static_cast<std::int32_t>(layout::kMaxNumberOfChannels) + 1;
    const struct {
        std::vector<Call> calls;
        std::string sections;  // everything between the placeholder digits and "\n[SETUP STOP]\n"
    } cases[] = {
        {{}, Recorder("")},
        // Known keys replace their line, others add one each.
        {{{u"DataType", 0, u"Float"}, {u"DataType", 0, u"Int32"}, {u"Note", 0, u"a"}, {u"Note", 0, u"b"}},
         "\nSampleFrequency=\nNoChannels=\nDataType=Int32\nDataBitSize=16\nFormatID=PortableCORAL\nVersion=1.00.000\n"
         "\nNote=a\nNote=b"},
        // The writer's own NoChannels line stays; the client's comes after Version.
        {{{nullptr, 1}, {u"NoChannels", 0, u"5"}}, Recorder("1") + "\nNoChannels=5" + Channel(1)},
        // Keys are case-sensitive and belong to their level.
        {{{nullptr, 1}, {u"samplefrequency", 0, u"1"}, {u"Unit", 0, u"V"}, {u"SampleFrequency", 1, u"2"}},
         Recorder("1") + "\nsamplefrequency=1\nUnit=V" + Channel(1) + "\nSampleFrequency=2"},
        // Channels keep their lines while the count changes.
        {{{nullptr, 3}, {u"Unit", 2, u"V"}, {nullptr, 1}, {nullptr, 3}}, Recorder("3") + Channel(1) + Channel(2, "V") + Channel(3)},
        // Values as they are, in Windows-1252 for every line (signal names too); '?' for what it lacks.
        {{{nullptr, 1}, {u"SignalName", 1, u"M\u00fcnze \u20ac\u03a9"}, {u"Unit", 1, u" \u00b5m = x"}},
         Recorder("1") + Channel(1, " \xb5m = x", "M\xfcnze \x80?")},
        // Rejected calls change nothing.
        {{{u"Unit", 1, u"V", Invalid}, {nullptr, 2}, {u"Unit", 3, u"V", Invalid}, {u"Unit", -1, u"V", Invalid},
          {nullptr, -1, u"", Invalid}, {nullptr, tooMany, u"", Invalid},
          // A line break would let a value open a section or end the setup text.
          {u"Unit", 1, u"V\n[SETUP STOP]", Invalid}, {u"Unit", 2, u"V\r", Invalid}, {u"A\nB", 0, u"x", Invalid}},
         Recorder("2") + Channel(1) + Channel(2)},
    };
    const std::string head = std::string("QVSU\0\0\0\0", 8) + "\n[SETUP START]\nRECInfoSectionSize=7\nRECInfoSectionPos=";
    for (const auto& c : cases) {
        CWriterParamList list;
        for (const Call& call : c.calls)
            EXPECT_EQ(call.name ? list.SetParameter(call.name, call.channel, call.value) : list.SetNumberOfChannels(call.channel),
                      call.status);
        std::size_t placeholder = 0;
        EXPECT_EQ(list.SetupChunk(7, placeholder), head + "00000000" + c.sections + "\n[SETUP STOP]\n");
        EXPECT_EQ(placeholder, head.size());
    }
}

// Each call, its status and the REC info a setup section written afterwards carries. Without
// REC info, or with an empty one, the section is the setup text alone and the call fails.
TEST(WriterSetup, RECInfoHeldThroughCalls) {
    TempDir dir;
    WrittenFile f(dir, "rec.dat");
    const Bytes three = {1, 2, 3};
    const auto file = [&](const std::string& path) { return f->SetRECInfo(platform::FileNameToWide(path)); };
    const std::tuple<std::function<WriterStatus()>, WriterStatus, Bytes> steps[] = {
        {[] { return Ok; }, Ok, {}},  {[&] { return file(dir.write("big.REC", Pattern(500))); }, Ok, Pattern(500)},
        {[&] { return f->SetRECInfoArray(3, three.data()); }, Ok, three},  {[&] { return file(dir.file("missing.REC")); }, Failed, three},
        {[&] { return f->SetRECInfoArray(-1, three.data()); }, Invalid, three}, {[&] { return f->SetRECInfoArray(5, nullptr); }, Null, three},
        {[&] { return file(dir.write("empty.REC", Bytes{})); }, Ok, {}}};
    for (const auto& [call, status, held] : steps) {
        EXPECT_EQ(call(), status);
        const std::string section = f.Appended([&] { return f->WriteSetupSection(); }, held.empty() ? Failed : Ok);
        const std::string tail = held.empty() ? "\n[SETUP STOP]\n" : kSectionLine + Text(held);
        EXPECT_NE(section.find("RECInfoSectionSize=" + std::to_string(held.size()) + "\n"), std::string::npos);
        EXPECT_EQ(section.substr(section.size() - std::min(section.size(), tail.size())), tail);
        EXPECT_EQ(held.empty(), section.find("RECInfoSectionPos=00000000\n") != std::string::npos);
    }
}

// A setup chunk further into the file (a second one, or behind other data): the REC info offset
// may take all eight digits; one more is refused, and nothing is patched.
TEST(WriterSetup, RECInfoOffsetTakesEightDigitsAtMost) {
    TempDir dir;
    for (const std::int64_t recInfoPosition : {99999999, 100000000}) {
        const bool fits = recInfoPosition <= 99999999;
        WrittenFile f(dir, std::to_string(recInfoPosition));
        ASSERT_EQ(f->SetRECInfoArray(2, Data("\xAA\xBB")), Ok);
        std::size_t placeholder = 0;
        const std::size_t chunkLength = CWriterParamList().SetupChunk(2, placeholder).size();
        const std::int64_t start = recInfoPosition - static_cast<std::int64_t>(chunkLength + 21);
        ASSERT_TRUE(f.m_File.Seek(start));
        EXPECT_EQ(f->WriteSetupSection(), fits ? Ok : Failed);

        EXPECT_EQ(f.Text(4).substr(0, 4), fits ? std::string("\x01\xE1\xF5\x05", 4) : std::string(4, '\0'));  // 100000001
        const std::string chunk = f.Text(start);
        EXPECT_EQ(chunk.substr(placeholder - 18, 27),
                  "RECInfoSectionPos=" + (fits ? std::to_string(recInfoPosition) : "00000000") + "\n");
        EXPECT_EQ(chunk.substr(chunkLength), kSectionLine + std::string("\xAA\xBB"));
    }
}

using W = CQVDataRecorderWriter;
using D = const unsigned char*;

// The sample block a recorder would write for these fields.
std::string Expected(const std::vector<std::int32_t>& samples, bool is32Bit, const Block& fields) {
    RecordingBuilder block;
    const auto at = [&samples](std::uint32_t i) { return samples[i]; };
    const auto count = static_cast<std::uint32_t>(samples.size());
    (is32Bit ? block.Samples32(count, at, fields) : block.Samples16(count, at, fields));
    return std::string(block.bytes().begin(), block.bytes().end());
}

TEST(WriterBlocks, FileHeaderCarriesTheChannelCount) {
    TempDir dir;
    WrittenFile f(dir, "header.dat");
    ASSERT_EQ(f->SetNumberOfChannels(4), Ok);
    EXPECT_EQ(f.Appended([&] { return f->InitializeBinaryDataSection(1000); }),
              std::string("\xC0\xBE\0\0\1\0\0\0\0\0\0\0\1\0\0\0\4\0\0\0", 20));
}

// After 4 channels from sample 1000 and `before`: one block of channel, count samples.
TEST(WriterBlocks, SampleBlocksCarryTheirChannelsCountAndId) {
    const auto none = [](W&) {};
    const auto block2 = [](W& w) { ASSERT_EQ(w.CreateBinaryDataBlock(2, 512, SampleBytes(Ramp(512), false).data()), Ok); };
    const struct {
        std::function<void(W&)> before;
        std::int32_t channel, count;
        bool is32Bit;
        std::uint8_t overload;
        std::uint32_t sampleNo;  // expected, with the id
        std::uint16_t id;
    } cases[] = {
        {none, 2, 512, false, 0, 1000, 1},   {block2, 2, 512, false, 0, 1512, 1},  // the count goes on
        {block2, 3, 2, false, 0, 1000, 2},   {none, 4, 3, true, 0x81, 1000, 3},    // per channel
        {[](W& w) { ASSERT_EQ(w.SetChId(1, 0x12345), Ok); }, 2, 2, false, 0, 1000, 0x2345},
        {none, 1, 131062, false, 0, 1000, 0}, {none, 1, 65531, true, 1, 1000, 0},  // the largest blocks
        // A second file header is refused: counts and ids go on.
        {[](W& w) {
             const Bytes four = SampleBytes(Ramp(4), false);
             ASSERT_TRUE(w.SetChId(0, 9) == Ok && w.CreateBinaryDataBlock(1, 4, four.data()) == Ok &&
                         w.InitializeBinaryDataSection(-2) == Failed);
         }, 1, 2, false, 0, 1004, 9},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WrittenFile f(dir, std::to_string(&c - cases));
        f.Start(4, 1000);
        c.before(*f);
        const Bytes data = SampleBytes(Ramp(c.count), c.is32Bit);
        EXPECT_EQ(f.Appended([&] {
            return c.is32Bit ? f->Create32bitBinaryDataBlockWithOverloadStatus(c.channel, c.count, data.data(), c.overload)
                             : f->CreateBinaryDataBlockWithOverloadStatus(c.channel, c.count, data.data(), c.overload);
        }), Expected(Ramp(c.count), c.is32Bit, Block().SampleNo(c.sampleNo).Id(c.id).Status(c.overload))) << &c - cases;
    }
}

// Counts no block can carry, and a channel whose late declaration was refused: rejected calls
// write nothing and count nothing, so each channel's next block still starts at 1000.
TEST(WriterBlocks, RejectedCallsWriteAndCountNothing) {
    const std::function<WriterStatus(W&, D)> calls[] = {
        [](W& w, D d) { return w.SetNumberOfChannels(5) == Failed ? w.CreateBinaryDataBlock(5, 2, d) : Ok; },
        [](W& w, D d) { return w.CreateBinaryDataBlock(1, 0, d); },
        [](W& w, D d) { return w.CreateBinaryDataBlockWithOverloadStatus(1, 3, d, 1); },  // odd
        [](W& w, D d) { return w.CreateBinaryDataBlock(1, 131064, d); },
        [](W& w, D d) { return w.Create32bitBinaryDataBlockWithOverloadStatus(1, 65532, d, 0); },
    };
    TempDir dir;
    const Bytes data = SampleBytes(std::vector<std::int32_t>(150000, 0x22), true);
    for (const auto& call : calls) {
        WrittenFile f(dir, std::to_string(&call - calls));
        ASSERT_EQ(f->SetNumberOfChannels(4), Ok);
        ASSERT_EQ(f->InitializeBinaryDataSection(1000), Ok);
        EXPECT_EQ(f.Appended([&] { return call(*f, data.data()); }, Invalid), "");
        for (std::uint16_t k = 1; k <= 4; ++k)
            EXPECT_EQ(f.Appended([&] { return f->CreateBinaryDataBlock(k, 2, data.data()); }),
                      Expected({0x22, 0}, false, Block().SampleNo(1000).Id(k - 1)));
    }
}

// SampleNo of DC blocks as given and as written, after InitializeBinaryDataSection(first), or
// before it when first is negative. The caller's blocks stay as they are.
TEST(WriterBlocks, DCBlocksMoveOntoTheWritersCount) {
    const struct {
        std::int32_t first;
        std::vector<std::uint32_t> given, written;
    } cases[] = {{100, {500, 600, 550}, {100, 200, 150}}, {-1, {500, 510}, {0, 10}}, {1000, {10, 5}, {1000, 995}}};
    TempDir dir;
    for (const auto& c : cases) {
        WrittenFile f(dir, std::to_string(c.first));
        ASSERT_EQ(c.first >= 0 ? f->InitializeBinaryDataSection(c.first) : Ok, Ok);
        for (std::size_t i = 0; i < c.given.size(); ++i) {
            const Bytes block = DCBlock(c.given[i], 3), copy = block;
            EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(36, block.data()); }), Text(DCBlock(c.written[i], 3)));
            EXPECT_EQ(block, copy);
        }
    }
}

// Blocks the file's own walk would take with another length: rejected before anything is written
// or shifted (the first DC block accepted afterwards still moves onto the first sample, 100).
TEST(WriterBlocks, RejectedDCBlocksWriteNothing) {
    // A length given 4 short or 8 long, a Size field or an entry count that disagrees, no entries.
    const std::pair<std::function<void(Bytes&)>, std::int32_t> cases[] = {
        {[](Bytes&) {}, -4}, {[](Bytes&) {}, 8}, {[](Bytes& b) { b[0] = 9; }, 0}, {[](Bytes& b) { b[8] = 1; }, 0},
        {[](Bytes& b) { b = DCBlock(500, 0); }, 0}};
    TempDir dir;
    int serial = 0;
    for (const auto& [damage, sizeDelta] : cases) {
        WrittenFile f(dir, std::to_string(++serial));
        f.Start(1, 100);
        Bytes block = DCBlock(500, 2);
        damage(block);
        const Bytes copy = block;
        const auto size = static_cast<std::int32_t>(block.size()) + sizeDelta;
        EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(size, block.data()); }, Invalid), "");
        EXPECT_EQ(block, copy);
        EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(28, DCBlock(500, 2).data()); }), Text(DCBlock(100, 2)));
    }
}

// Once the file header is written the setup is fixed, and a DC block must be one: refused, and
// nothing written.
TEST(WriterOrder, LateSetupAndForeignBlocksAreRefused) {
    const std::pair<std::function<WriterStatus(W&)>, WriterStatus> calls[] = {
        {[](W& w) { return w.InitializeBinaryDataSection(0); }, Failed},
        {[](W& w) { return w.WriteSetupSection(); }, Failed},
        {[](W& w) { return w.SetNumberOfChannels(1); }, Failed},
        {[](W& w) {
             Bytes block = DCBlock(0, 2);
             block[2] = static_cast<unsigned char>(layout::BlockKind::Trigger);
             return w.CreateDCChannelBlock(28, block.data());
         }, Invalid},
    };
    TempDir dir;
    for (const auto& call : calls) {
        WrittenFile f(dir, std::to_string(&call - calls));
        f.Start(2, 0);
        EXPECT_EQ(f.Appended([&] { return call.first(*f); }, call.second), "");
    }
}

// A disk that fills up: the block that meets the full disk and every call after it fail, and the
// file ends with the last whole block, byte for byte what a roomy disk got. The room is given in
// blocks and bytes; blocks of 262,140 bytes pass the stream buffer.
TEST(WriterFaults, FullDiskKeepsEveryWholeBlockBefore) {
    const struct {
        std::int32_t samples;
        std::int64_t blocks, bytes;
    } cases[] = {{100, 0, 0}, {100, 0, 10}, {100, 1, -1}, {100, 1, 0}, {100, 3, -1}, {131062, 5, 7}, {131062, 8, 0}};
    TempDir dir;
    const Bytes data = SampleBytes(Ramp(131062), false);
    for (const auto& c : cases) {
        const std::int64_t blockBytes = 16 + 2 * c.samples, room = c.blocks * blockBytes + c.bytes;
        std::string written[2];
        for (const bool full : {false, true}) {
            WrittenFile f(dir, std::to_string(&c - cases) + (full ? "full" : "roomy"));
            f.Start(1, 0);
            const std::int64_t start = static_cast<std::int64_t>(f.Text().size());
            const std::int64_t whole = full ? room / blockBytes : 10;
            {
                const ScopedFileFaults faults(full ? room : -1);
                for (std::int64_t k = 0; k < 10; ++k)
                    EXPECT_EQ(f->CreateBinaryDataBlock(1, c.samples, data.data()), k < whole ? Ok : Failed) << k;
                EXPECT_EQ(f->CloseStream(), !full);
            }
            written[full] = f.Text();
            EXPECT_EQ(static_cast<std::int64_t>(written[full].size()), start + whole * blockBytes) << room;
        }
        EXPECT_EQ(written[1], written[0].substr(0, written[1].size()));
    }
}

// A seek or a write of the setup section that fails leaves a writer that writes nothing more.
TEST(WriterFaults, FailedSetupSectionEndsTheWriter) {
    TempDir dir;
    for (const bool seeksFail : {false, true}) {
        WrittenFile f(dir, std::to_string(seeksFail));
        ASSERT_EQ(f->SetRECInfoArray(3, Data("abc")), Ok);
        const std::size_t before = [&] {
            const ScopedFileFaults faults(seeksFail ? -1 : 10, -1, 0, seeksFail);
            EXPECT_EQ(f->WriteSetupSection(), Failed);
            return f.Text().size();
        }();
        EXPECT_EQ(f.Appended([&] { return f->InitializeBinaryDataSection(0); }, Failed), "");
        EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(20, DCBlock(0, 1).data()); }, Failed), "");
        EXPECT_FALSE(f->CloseStream());
        EXPECT_EQ(f.Text().size(), before);
    }
}

}  // namespace
}  // namespace tarn::test

// The setup chunk the writer writes, with the REC info and its patched size and position.
#include <clocale>
#include <functional>

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
        {{{nullptr, 2}}, Recorder("2") + Channel(1) + Channel(2)},
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
          {nullptr, -1, u"", Invalid}, {nullptr, tooMany, u"", Invalid}},
         Recorder("2") + Channel(1) + Channel(2)},
    };
    const std::string head = std::string("QVSU\0\0\0\0", 8) + "\n[SETUP START]\nRECInfoSectionSize=7\nRECInfoSectionPos=";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sections);
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
    const Bytes big = Pattern(500), three = {1, 2, 3};
    dir.write("big.REC", big);
    dir.write("empty.REC", Bytes{});
    const auto file = [&](const std::string& name) { return f->SetRECInfo(platform::FileNameToWide(dir.file(name))); };
    const struct {
        std::function<WriterStatus()> call;
        WriterStatus status;
        Bytes held;
    } steps[] = {
        {[] { return Ok; }, Ok, {}},
        {[&] { return file("big.REC"); }, Ok, big},
        {[&] { return f->SetRECInfoArray(3, three.data()); }, Ok, three},
        {[&] { return file("missing.REC"); }, Failed, three},
        {[&] { return f->SetRECInfo(u""); }, Failed, three},
        {[&] { return f->SetRECInfoArray(-1, three.data()); }, Invalid, three},
        {[&] { return f->SetRECInfoArray(5, nullptr); }, Null, three},
        {[&] { return file("empty.REC"); }, Ok, {}},
        {[&] { return f->SetRECInfoArray(0, nullptr); }, Ok, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        EXPECT_EQ(step.call(), step.status);
        const std::string section = f.Appended([&] { return f->WriteSetupSection(); }, step.held.empty() ? Failed : Ok);
        const std::string tail = step.held.empty() ? "\n[SETUP STOP]\n" : kSectionLine + std::string(step.held.begin(), step.held.end());
        EXPECT_NE(section.find("RECInfoSectionSize=" + std::to_string(step.held.size()) + "\n"), std::string::npos);
        EXPECT_EQ(section.substr(section.size() - std::min(section.size(), tail.size())), tail);
        if (step.held.empty()) EXPECT_NE(section.find("RECInfoSectionPos=00000000\n"), std::string::npos);
        if (&step == steps) EXPECT_EQ(f.Text(4).substr(0, 4), std::string(4, '\0')) << "patched only after REC info";
    }
}

// A setup chunk further into the file (a second one, or behind other data): the REC info offset
// may take all eight digits; one more is refused, and nothing is patched.
TEST(WriterSetup, RECInfoOffsetTakesEightDigitsAtMost) {
    TempDir dir;
    for (const std::int64_t recInfoPosition : {99999999, 100000000}) {
        const bool fits = recInfoPosition <= 99999999;
        WrittenFile f(dir, std::to_string(recInfoPosition));
        const unsigned char info[2] = {0xAA, 0xBB};
        ASSERT_EQ(f->SetRECInfoArray(2, info), Ok);
        std::size_t placeholder = 0;
        const std::size_t chunkLength = CWriterParamList().SetupChunk(2, placeholder).size();
        const std::int64_t start = recInfoPosition - static_cast<std::int64_t>(chunkLength + 21);
        ASSERT_TRUE(f.m_File.Seek(start));
        EXPECT_EQ(f->WriteSetupSection(), fits ? Ok : Failed);

        unsigned char size[4] = {};
        le::WriteU32(size, fits ? static_cast<std::uint32_t>(recInfoPosition + 2) : 0u);
        EXPECT_EQ(f.Text(4).substr(0, 4), std::string(size, size + 4));
        const std::string chunk = f.Text(start);
        EXPECT_EQ(chunk.substr(placeholder - 18, 27),
                  "RECInfoSectionPos=" + (fits ? std::to_string(recInfoPosition) : "00000000") + "\n");
        EXPECT_EQ(chunk.substr(chunkLength), kSectionLine + std::string("\xAA\xBB"));
    }
}

}  // namespace
}  // namespace tarn::test

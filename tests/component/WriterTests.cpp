// The writer interface on the one file of the object: a recording written and read back through
// the interfaces, what CloseFile and the last release leave, and the embedded REC info.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/component/ComponentFixture.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

class WriterTest : public ComponentTest {
protected:
    IQVRecorderFileWriter& writer() { return component(); }
    void WriteSetup(const Bytes& rec) {
        auto* block = static_cast<BYTE*>(CoTaskMemAlloc(rec.size()));   // the call takes it over
        ASSERT_NE(block, nullptr);
        std::memcpy(block, rec.data(), rec.size());
        ASSERT_EQ(writer().SetNumberOfChannels(2), S_OK);
        ASSERT_EQ(writer().SetParameter(Bstr(u"SignalName").get(), 1, Bstr(u"Left").get()), S_OK);
        ASSERT_EQ(writer().SetRECInfoArray(static_cast<LONG>(rec.size()), block), S_OK);
        ASSERT_EQ(writer().WriteSetupSection(), S_OK);
    }
    // The REC info as GetRECInfoSection hands it out; empty on failure.
    HRESULT RECInfo(Bytes& bytes) {
        LONG size = -7;
        BYTE* raw = nullptr;
        const HRESULT hr = component().GetRECInfoSection(&size, &raw);
        const TaskMem<BYTE> block(raw);
        EXPECT_EQ(raw == nullptr, FAILED(hr));
        bytes = raw ? Bytes(raw, raw + size) : Bytes();
        return hr;
    }
};

// Releasing the object with a writer open closes the file with everything written to it; the
// blocks go where their identifiers say.
TEST_F(WriterTest, ReleaseClosesTheWrittenFileAndItReadsBack) {
    SetFileName(dir.file("written.dat"));
    ASSERT_EQ(writer().OpenFile(), S_OK);
    WriteSetup(Pattern(300));
    ASSERT_EQ(writer().InitializeBinaryDataSection(0), S_OK);
    ASSERT_EQ(writer().SetChId(0, 1), S_OK);
    ASSERT_EQ(writer().SetChId(1, 0), S_OK);
    Bytes narrow = SampleBytes({1, -2, 3, -4}, false), wide = SampleBytes({100000, -100000}, true);
    ASSERT_EQ(writer().CreateBinaryDataBlockWithOverloadStatus(1, 4, narrow.data(), 0x81), S_OK);
    ASSERT_EQ(writer().Create32bitBinaryDataBlock(2, 2, wide.data()), S_OK);
    events.Disconnect();
    object.Reset();

    ASSERT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
    ASSERT_EQ(events.Connect(object.Get()), S_OK);
    SetFileName(dir.file("written.dat"));
    LONG ok = 0, last = 0;
    ASSERT_EQ(component().open(&ok), S_OK);
    ASSERT_EQ(ok, 1);
    ScanAll();
    EXPECT_EQ(Parameter(u"SignalName", 1), u"Left");
    LONG* samples = nullptr;
    ASSERT_EQ(component().GetSamples32Bit(1, 0, 2, &last, &samples), S_OK);
    const TaskMem<LONG> owned(samples);
    EXPECT_EQ(std::vector<LONG>(samples, samples + 2), (std::vector<LONG>{100000, -100000}));
    BYTE status = 0;
    ASSERT_EQ(component().GetOverloadStatusInRange(2, 0, 4, &status), S_OK);
    EXPECT_EQ(status, 0x81);
    Bytes rec;
    ASSERT_EQ(RECInfo(rec), S_OK);
    EXPECT_EQ(rec, Pattern(300));
}

// CloseFile ends the writer: the next one starts from the defaults, without the REC info.
TEST_F(WriterTest, NothingSurvivesCloseFile) {
    SetFileName(dir.file("first.dat"));
    ASSERT_EQ(writer().OpenFile(), S_OK);
    WriteSetup(Pattern(3));
    ASSERT_EQ(writer().CloseFile(), S_OK);
    ASSERT_EQ(writer().OpenFile(), S_OK);
    EXPECT_EQ(writer().WriteSetupSection(), E_FAIL) << "no REC info";
}

// The REC info where the setup text points, or the conversion's failure code and no block;
// always from the recording that was opened, whatever FileName says since.
TEST_F(WriterTest, RECInfoWhereTheSetupTextPoints) {
    const struct {
        const char* lines;
        HRESULT expected;
        std::ptrdiff_t position, size;
    } cases[] = {
        {"", S_OK, 0, 0},
        {"\nRECInfoSectionSize=4", S_OK, 0, 4},
        {"\nRECInfoSectionPos=00000008\nRECInfoSectionSize=4", S_OK, 8, 4},
        {"\nRECInfoSectionPos=8\nRECInfoSectionSize=four", DISP_E_TYPEMISMATCH, 0, 0},
        {"\nRECInfoSectionPos=99999999999\nRECInfoSectionSize=1", DISP_E_OVERFLOW, 0, 0},
        {"\nRECInfoSectionPos=8\nRECInfoSectionSize=100000", E_FAIL, 0, 0},   // the file ends first
    };
    for (const auto& c : cases) {
        const RecordingBuilder recording =
            RecordingBuilder().Setup(std::string("\n[SETUP START]") + c.lines + "\n[SETUP STOP]\n").Header(1);
        Open(recording);
        SetFileName(dir.file("other.dat"));
        Bytes bytes;
        EXPECT_EQ(RECInfo(bytes), c.expected) << c.lines;
        EXPECT_EQ(bytes, Bytes(recording.bytes().begin() + c.position, recording.bytes().begin() + c.position + c.size));
        ASSERT_EQ(component().close(), S_OK);
    }
}

}  // namespace
}  // namespace tarn::test

// A client of the registered module writes a recording through IQVRecorderFileWriter, early-bound
// and late-bound through that interface's own IDispatch, and reads it back through the reader
// interfaces. Sample and DC blocks take byte pointers, which no VARIANT carries: a late-bound
// client has no way to them, so they go early-bound in both cases.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "component/client/ScanEvents.h"
#include "setup/BstrText.h"
#include "tests/client/ClientFixture.h"
#include "tests/client/LateBinding.h"
#include "tests/support/ScopedVariant.h"

namespace tarn::test {
namespace {

using client::ComPtr;

const std::vector<short> kLeft = {1, -2, 3, -4};
const std::vector<LONG> kRight = {100000, -100000, 7, 0x7FFFFFFF};

std::vector<BYTE> RECBytes() {
    std::vector<BYTE> bytes(100);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 3);
    return bytes;
}

class WriterClient : public Client {
protected:
    // The recording's blocks: channel 1 16-bit, channel 2 32-bit, with the identifiers
    // exchanged before, so that a reader finds each under the other's number.
    static void WriteBlocks(IQVRecorderFileWriter& writer) {
        std::vector<short> left = kLeft;
        std::vector<LONG> right = kRight;
        ASSERT_EQ(writer.CreateBinaryDataBlock(1, 4, reinterpret_cast<BYTE*>(left.data())), S_OK);
        ASSERT_EQ(writer.Create32bitBinaryDataBlock(2, 4, reinterpret_cast<BYTE*>(right.data())), S_OK);
    }

    void ExpectRecording(IQVRecorderFileReader& reader, const std::u16string& path) {
        ASSERT_EQ(reader.put_FileName(UniqueBstr(AllocBstr(path)).get()), S_OK);
        LONG ok = 0, last = 0;
        ASSERT_EQ(reader.open(&ok), S_OK);
        ASSERT_EQ(ok, 1);
        ScopedVariant name;
        ASSERT_EQ(reader.getParameter(UniqueBstr(AllocBstr(u"SignalName")).get(), 1, name.get()), S_OK);
        ASSERT_EQ(V_VT(name.get()), VT_BSTR);
        EXPECT_EQ(BstrText(V_BSTR(name.get())), u"Left");
        ComPtr<IQVRecorderFileReader2> reader2;
        ASSERT_EQ(reader.QueryInterface(IID_IQVRecorderFileReader2, reader2.PutVoid()), S_OK);
        client::ScanEvents events;
        ASSERT_EQ(events.Connect(&reader), S_OK);
        ASSERT_EQ(reader2->ScanFile(&ok), S_OK);
        ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(60)));
        LONG* wide = nullptr;
        short* narrow = nullptr;
        ASSERT_EQ(reader2->GetSamples32Bit(1, 0, 4, &last, &wide), S_OK);
        EXPECT_EQ(last, 3);
        EXPECT_EQ(std::vector<LONG>(wide, wide + 4), kRight);
        CoTaskMemFree(wide);
        ASSERT_EQ(reader2->GetSamples(2, 0, 4, &last, &narrow), S_OK);
        EXPECT_EQ(last, 3);
        EXPECT_EQ(std::vector<short>(narrow, narrow + 4), kLeft);
        CoTaskMemFree(narrow);
        LONG size = 0;
        BYTE* rec = nullptr;
        ASSERT_EQ(reader2->GetRECInfoSection(&size, &rec), S_OK);
        EXPECT_EQ(std::vector<BYTE>(rec, rec + size), RECBytes());
        CoTaskMemFree(rec);
    }
};

TEST_F(WriterClient, EarlyBound) {
    ComPtr<IQVRecorderFileReader> reader = Create();
    ComPtr<IQVRecorderFileWriter> writer = reader.As<IQVRecorderFileWriter>(IID_IQVRecorderFileWriter);
    ASSERT_TRUE(writer);
    const std::u16string path = platform::FileNameToWide(dir.file("early.dat"));
    const auto bstr = [](const std::u16string& text) { return UniqueBstr(AllocBstr(text)); };
    ASSERT_EQ(writer->put_FileName(bstr(path).get()), S_OK);
    ASSERT_EQ(writer->OpenFile(), S_OK);
    ASSERT_EQ(writer->SetNumberOfChannels(2), S_OK);
    ASSERT_EQ(writer->SetParameter(bstr(u"SampleFrequency").get(), 0, bstr(u"1000").get()), S_OK);
    ASSERT_EQ(writer->SetParameter(bstr(u"SignalName").get(), 1, bstr(u"Left").get()), S_OK);
    const std::vector<BYTE> rec = RECBytes();
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(rec.size()));  // the call takes it over
    ASSERT_NE(block, nullptr);
    std::memcpy(block, rec.data(), rec.size());
    ASSERT_EQ(writer->SetRECInfoArray(static_cast<LONG>(rec.size()), block), S_OK);
    ASSERT_EQ(writer->WriteSetupSection(), S_OK);
    ASSERT_EQ(writer->InitializeBinaryDataSection(0), S_OK);
    ASSERT_EQ(writer->SetChId(0, 1), S_OK);
    ASSERT_EQ(writer->SetChId(1, 0), S_OK);
    WriteBlocks(*writer.Get());
    ASSERT_EQ(writer->CloseFile(), S_OK);
    ExpectRecording(*reader.Get(), path);
}

TEST_F(WriterClient, LateBoundThroughTheWriterInterface) {
    ComPtr<IQVRecorderFileReader> reader = Create();
    ComPtr<IQVRecorderFileWriter> writer = reader.As<IQVRecorderFileWriter>(IID_IQVRecorderFileWriter);
    ASSERT_TRUE(writer);
    IDispatch* object = writer.Get();
    const std::u16string path = platform::FileNameToWide(dir.file("late.dat"));
    const std::u16string recFile = platform::FileNameToWide(dir.write("set.REC", RECBytes()));
    const struct {
        const char16_t* name;
        WORD flags;
        std::vector<VARIANT> args;
    } calls[] = {
        {u"FileName", DISPATCH_PROPERTYPUT, {Arg(path)}},
        {u"OpenFile", DISPATCH_METHOD, {}},
        {u"SetNumberOfChannels", DISPATCH_METHOD, {Arg(2)}},
        {u"SetParameter", DISPATCH_METHOD, {Arg(u"SampleFrequency"), Arg(0), Arg(u"1000")}},
        {u"SetParameter", DISPATCH_METHOD, {Arg(u"SignalName"), Arg(1), Arg(u"Left")}},
        {u"SetRECInfo", DISPATCH_METHOD, {Arg(recFile)}},
        {u"WriteSetupSection", DISPATCH_METHOD, {}},
        {u"InitializeBinaryDataSection", DISPATCH_METHOD, {Arg(0)}},
        {u"SetChId", DISPATCH_METHOD, {Arg(0), Arg(1)}},
        {u"SetChId", DISPATCH_METHOD, {Arg(1), Arg(0)}},
    };
    for (const auto& call : calls) {
        ScopedVariant result;
        EXPECT_EQ(Call(object, call.name, call.flags, call.args, result.get()), S_OK) << platform::FileNameFromWide(call.name);
    }
    WriteBlocks(*writer.Get());
    ScopedVariant result;
    ASSERT_EQ(Call(object, u"CloseFile", DISPATCH_METHOD, {}, result.get()), S_OK);
    // The object's own IDispatch is the first reader interface's: it has no writer members.
    EXPECT_EQ(Call(reader.Get(), u"OpenFile", DISPATCH_METHOD, {}, result.get()), DISP_E_UNKNOWNNAME);
    ExpectRecording(*reader.Get(), path);
}

}  // namespace
}  // namespace tarn::test

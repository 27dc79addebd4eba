// A client of the registered module writes a recording through IQVRecorderFileWriter, late-bound
// through that interface's own IDispatch, and reads it back early-bound. Sample blocks take byte
// pointers, which no VARIANT carries: they go early-bound.
#include <gtest/gtest.h>

#include <vector>

#include "tests/client/ClientFixture.h"

namespace tarn::test {
namespace {

using client::ComPtr;

TEST_F(Client, WritesLateBoundAndReadsBack) {
    ComPtr<IQVRecorderFileReader> reader = Create();
    ComPtr<IQVRecorderFileWriter> writer = reader.As<IQVRecorderFileWriter>(IID_IQVRecorderFileWriter);
    ASSERT_TRUE(writer);
    const std::u16string path = platform::FileNameToWide(dir.file("written.dat"));
    std::vector<BYTE> rec(100);
    for (std::size_t i = 0; i < rec.size(); ++i) rec[i] = static_cast<BYTE>(i * 3);
    const std::u16string recFile = platform::FileNameToWide(dir.write("set.REC", rec));
    const std::tuple<const char16_t*, WORD, std::vector<VARIANT>> calls[] = {
        {u"FileName", DISPATCH_PROPERTYPUT, {Arg(path)}},
        {u"OpenFile", DISPATCH_METHOD, {}},
        {u"SetNumberOfChannels", DISPATCH_METHOD, {Arg(2)}},
        {u"SetParameter", DISPATCH_METHOD, {Arg(u"SampleFrequency"), Arg(0), Arg(u"1000")}},
        {u"SetParameter", DISPATCH_METHOD, {Arg(u"SignalName"), Arg(1), Arg(u"Left")}},
        {u"SetRECInfo", DISPATCH_METHOD, {Arg(recFile)}},
        {u"WriteSetupSection", DISPATCH_METHOD, {}},
        {u"InitializeBinaryDataSection", DISPATCH_METHOD, {Arg(0)}},
    };
    for (const auto& [name, flags, args] : calls) {
        ScopedVariant result;
        EXPECT_EQ(Call(writer.Get(), name, flags, args, result.get()), S_OK) << platform::FileNameFromWide(name);
    }
    // The object's own IDispatch is the first reader interface's: it has no writer members.
    ScopedVariant result;
    EXPECT_EQ(Call(reader.Get(), u"CloseFile", DISPATCH_METHOD, {}, result.get()), DISP_E_UNKNOWNNAME);
    std::vector<short> narrow = {1, -2, 3, -4};
    std::vector<LONG> wide = {100000, -100000, 7, 0x7FFFFFFF};
    ASSERT_EQ(writer->CreateBinaryDataBlock(1, 4, reinterpret_cast<BYTE*>(narrow.data())), S_OK);
    ASSERT_EQ(writer->Create32bitBinaryDataBlock(2, 4, reinterpret_cast<BYTE*>(wide.data())), S_OK);
    ASSERT_EQ(writer->CloseFile(), S_OK);

    ASSERT_EQ(reader->put_FileName(UniqueBstr(AllocBstr(path)).get()), S_OK);
    LONG ok = 0, last = 0, size = 0;
    ASSERT_EQ(reader->open(&ok), S_OK);
    ASSERT_EQ(ok, 1);
    ScopedVariant name;
    ASSERT_EQ(reader->getParameter(UniqueBstr(AllocBstr(u"SignalName")).get(), 1, name.get()), S_OK);
    ASSERT_EQ(V_VT(name.get()), VT_BSTR);
    EXPECT_EQ(BstrText(V_BSTR(name.get())), u"Left");
    ComPtr<IQVRecorderFileReader2> reader2 = reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    short* first = nullptr;   // each request indexes one more block: channel 1's, then channel 2's
    LONG* second = nullptr;
    ASSERT_EQ(reader2->GetSamples(1, 0, 4, &last, &first), S_OK);
    EXPECT_EQ(std::vector<short>(first, first + last + 1), narrow);
    ASSERT_EQ(reader2->GetSamples32Bit(2, 0, 4, &last, &second), S_OK);
    EXPECT_EQ(std::vector<LONG>(second, second + last + 1), wide);
    CoTaskMemFree(first);
    CoTaskMemFree(second);
    BYTE* block = nullptr;
    ASSERT_EQ(reader2->GetRECInfoSection(&size, &block), S_OK);
    EXPECT_EQ(std::vector<BYTE>(block, block + size), rec);
    CoTaskMemFree(block);
}

}  // namespace
}  // namespace tarn::test

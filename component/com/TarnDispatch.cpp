#include "component/com/TarnDispatch.h"

namespace tarn::com {

namespace {
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kMethod = DISPATCH_METHOD;
}  // namespace

const MemberTable& DispatchTraits<IQVRecorderFileReader>::Members() {
    using I = IQVRecorderFileReader;
    static const DispatchMember members[] = {
        Member<&I::get_FileName, 0>("FileName", 1, kGet),
        Member<&I::put_FileName, 1>("FileName", 1, kPut),
        Member<&I::get_FileSize, 0>("FileSize", 2, kGet),
        Member<&I::get_NumberOfChannels, 0>("NumberOfChannels", 3, kGet),
        Member<&I::open, 0>("open", 4, kMethod),
        Member<&I::close, 0>("close", 5, kMethod),
        Member<&I::read, 0>("read", 6, kMethod),
        Member<&I::getBlock, 0>("getBlock", 7, kMethod),
        Member<&I::get_Description, 0>("Description", 8, kGet),
        Member<&I::get_BlockSize, 0>("BlockSize", 9, kGet),
        Member<&I::_getBlock, 0>("_getBlock", 10, kMethod),
        Member<&I::GetCorrectionFactor, 1>("GetCorrectionFactor", 11, kMethod),
        Member<&I::get_SampleFrequency, 0>("SampleFrequency", 12, kGet),
        Member<&I::GetUnit, 1>("GetUnit", 13, kMethod),
        Member<&I::getParameter, 2>("getParameter", 14, kMethod),
        Member<&I::get_Mode, 0>("Mode", 15, kGet),
        Member<&I::put_Mode, 1>("Mode", 15, kPut),
        Member<&I::get_SampleNumber, 0>("SampleNumber", 16, kGet),
        Member<&I::get_Overrun, 0>("Overrun", 17, kGet),
        Member<&I::get_ChannelSelection, 0>("ChannelSelection", 18, kGet),
        Member<&I::put_ChannelSelection, 1>("ChannelSelection", 18, kPut),
        Member<&I::clearSelection, 1>("clearSelection", 19, kMethod),
        Member<&I::setSampleSelection, 2>("setSampleSelection", 20, kMethod),
        Member<&I::Is32BitData, 1>("Is32BitData", 21, kMethod),
        Member<&I::GetFirstTriggerSample, 0>("GetFirstTriggerSample", 22, kMethod),
        Member<&I::getBlock32, 0>("getBlock32", 23, kMethod),
    };
    static const MemberTable table(members);
    return table;
}

const MemberTable& DispatchTraits<IQVRecorderFileReader2>::Members() {
    using I = IQVRecorderFileReader2;
    static const DispatchMember members[] = {
        Member<&I::ScanFile, 0>("ScanFile", 1, kMethod),
        Member<&I::GetSamples, 3>("GetSamples", 2, kMethod),
        Member<&I::GetFirstSampleNumber, 0>("GetFirstSampleNumber", 3, kMethod),
        Member<&I::GetLastSampleNumber, 0>("GetLastSampleNumber", 4, kMethod),
        Member<&I::GetRECInfoSection, 0>("GetRECInfoSection", 5, kMethod),
        Member<&I::get_EnableLoadRECFileWithCORAL, 0>("EnableLoadRECFileWithCORAL", 6, kGet),
        Member<&I::put_EnableLoadRECFileWithCORAL, 1>("EnableLoadRECFileWithCORAL", 6, kPut),
        Member<&I::GetCompressedSamples, 3>("GetCompressedSamples", 7, kMethod),
        Member<&I::GetSamples32Bit, 3>("GetSamples32Bit", 8, kMethod),
        Member<&I::GetDCChannelIndexes, 2>("GetDCChannelIndexes", 9, kMethod),
        Member<&I::GetDCChannelBlock, 2>("GetDCChannelBlock", 10, kMethod),
        Member<&I::GetOverloadStatusInRange, 3>("GetOverloadStatusInRange", 11, kMethod),
        Member<&I::GetCompressed32BitSamples, 3>("GetCompressed32BitSamples", 12, kMethod),
    };
    static const MemberTable table(members);
    return table;
}

const MemberTable& DispatchTraits<IQVRecorderFileWriter>::Members() {
    using I = IQVRecorderFileWriter;
    static const DispatchMember members[] = {
        Member<&I::CloseFile, 0>("CloseFile", 1, kMethod),
        Member<&I::get_FileName, 0>("FileName", 2, kGet),
        Member<&I::put_FileName, 1>("FileName", 2, kPut),
        Member<&I::SetParameter, 3>("SetParameter", 3, kMethod),
        Member<&I::OpenFile, 0>("OpenFile", 4, kMethod),
        Member<&I::SetNumberOfChannels, 1>("SetNumberOfChannels", 5, kMethod),
        Member<&I::WriteSetupSection, 0>("WriteSetupSection", 6, kMethod),
        Member<&I::SetRECInfo, 1>("SetRECInfo", 7, kMethod),
        Member<&I::CreateBinaryDataBlock, 3>("CreateBinaryDataBlock", 8, kMethod),
        Member<&I::InitializeBinaryDataSection, 1>("InitializeBinaryDataSection", 9, kMethod),
        Member<&I::SetRECInfoArray, 2>("SetRECInfoArray", 10, kMethod),
        Member<&I::SetChId, 2>("SetChId", 11, kMethod),
        Member<&I::Create32bitBinaryDataBlock, 3>("Create32bitBinaryDataBlock", 12, kMethod),
        Member<&I::CreateDCChannelBlock, 3>("CreateDCChannelBlock", 13, kMethod),
        Member<&I::CreateBinaryDataBlockWithOverloadStatus, 4>("CreateBinaryDataBlockWithOverloadStatus", 14, kMethod),
        Member<&I::Create32bitBinaryDataBlockWithOverloadStatus, 4>("Create32bitBinaryDataBlockWithOverloadStatus", 15, kMethod),
    };
    static const MemberTable table(members);
    return table;
}

}  // namespace tarn::com

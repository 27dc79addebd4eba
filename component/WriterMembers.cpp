// The writer members of IQVRecorderFileWriter and the embedded REC info: E_NOTIMPL until the
// writer is wired in.
#include "component/CQVRecorderFileReader.h"

HRESULT CQVRecorderFileReader::GetRECInfoSection(LONG*, BYTE**) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::CloseFile() { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::SetParameter(BSTR, LONG, BSTR) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::OpenFile() { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::SetNumberOfChannels(LONG) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::WriteSetupSection() { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::SetRECInfo(BSTR) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::CreateBinaryDataBlock(LONG, LONG, BYTE*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::InitializeBinaryDataSection(LONG) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::SetRECInfoArray(LONG, BYTE*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::SetChId(LONG, LONG) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::Create32bitBinaryDataBlock(LONG, LONG, BYTE*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::CreateDCChannelBlock(LONG, LONG, BYTE*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::CreateBinaryDataBlockWithOverloadStatus(LONG, LONG, BYTE*, BYTE) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::Create32bitBinaryDataBlockWithOverloadStatus(LONG, LONG, BYTE*, BYTE) {
    return E_NOTIMPL;
}

// Members whose behaviour comes with sequential and compressed reading: they answer E_NOTIMPL
// until then. The selection members have no implementation at all.
#include "component/CQVRecorderFileReader.h"

namespace tarn {

HRESULT CQVRecorderFileReader::read(LONG*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::getBlock(VARIANT*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::get_BlockSize(LONG*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::_getBlock(short**) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::get_SampleNumber(LONG*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::get_Overrun(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::put_ChannelSelection(VARIANT) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::clearSelection(LONG) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::getBlock32(VARIANT*) { return E_NOTIMPL; }

// Never implemented: selections are made by the sample requests' own arguments.
HRESULT CQVRecorderFileReader::get_ChannelSelection(VARIANT*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::setSampleSelection(LONG, LONG) { return E_NOTIMPL; }

}  // namespace tarn

// Members whose behaviour comes with compressed reading: they answer E_NOTIMPL until then. The
// selection members below have no implementation at all.
#include "component/CQVRecorderFileReader.h"

namespace tarn {

HRESULT CQVRecorderFileReader::GetCompressedSamples(ULONG, ULONG, ULONG, ULONG*, short**) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::GetCompressed32BitSamples(ULONG, ULONG, ULONG, ULONG*, LONG**) { return E_NOTIMPL; }

// Never implemented: selections are made by the sample requests' own arguments.
HRESULT CQVRecorderFileReader::get_ChannelSelection(VARIANT*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::setSampleSelection(LONG, LONG) { return E_NOTIMPL; }

}  // namespace tarn

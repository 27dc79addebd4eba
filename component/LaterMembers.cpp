// The two members that have no implementation: selections are made by the sample requests' own
// arguments and by the channel selection's put, so they answer E_NOTIMPL.
#include "component/CQVRecorderFileReader.h"

namespace tarn {

HRESULT CQVRecorderFileReader::get_ChannelSelection(VARIANT*) { return E_NOTIMPL; }
HRESULT CQVRecorderFileReader::setSampleSelection(LONG, LONG) { return E_NOTIMPL; }

}  // namespace tarn

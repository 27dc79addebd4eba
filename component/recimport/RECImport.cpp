#include "component/recimport/RECImport.h"

#include "component/ComCall.h"
#include "component/com/ComObject.h"
#include "component/recimport/RECFile.h"
#include "platform/platform.h"
#include "setup/BstrText.h"

namespace tarn::recimport {

namespace {

// The fields of every channel in the component's list form: TAB-separated.
template <typename Field>
std::string Joined(const RECFile& file, Field field) {
    std::string text;
    for (std::size_t i = 0; i < file.channels.size(); ++i) text += (i == 0 ? "" : "\t") + field(file.channels[i]);
    return text;
}

// "[" name TAB alias TAB ... TAB "]" for each channel with aliases; the last TAB closes the list.
std::string AliasEntries(const RECFile& file) {
    std::string text;
    for (const RECChannel& channel : file.channels) {
        if (channel.aliases.empty()) continue;
        text += "[" + channel.name + "\t";
        for (const std::string& alias : channel.aliases) text += alias + "\t";
        text += "]";
    }
    return text;
}

BSTR ToBstr(const std::string& ansi) {
    BSTR text = AllocBstr(platform::AnsiToWide(ansi));
    if (text == nullptr) throw std::bad_alloc();
    return text;
}

}  // namespace

const com::InterfaceMap& RECImport::Interfaces() {
    static const com::InterfaceEntry entries[] = {com::Entry<RECImport, IRECImport>(IID_IRECImport)};
    static const com::InterfaceMap map(entries);
    return map;
}

HRESULT RECImport::Create(IUnknown* outer, REFIID riid, void** ppv) {
    return com::ComObject<RECImport>::CreateInstance(outer, riid, ppv);
}

HRESULT RECImport::HandOutWorkspace(IUnknown** workspace) {
    *workspace = ControllingUnknown();
    (*workspace)->AddRef();
    return S_OK;
}

HRESULT RECImport::GetWorkspace(IUnknown** workspace) {
    if (workspace == nullptr) return E_POINTER;
    *workspace = nullptr;
    return m_WorkspaceOpen ? HandOutWorkspace(workspace) : E_FAIL;
}

HRESULT RECImport::CreateWorkspace(VARIANT, IUnknown** workspace) {
    if (workspace == nullptr) return E_POINTER;
    m_WorkspaceOpen = true;
    return HandOutWorkspace(workspace);
}

HRESULT RECImport::CloseWorkspace(VARIANT, VARIANT_BOOL* closed) {
    if (closed == nullptr) return E_POINTER;
    *closed = m_WorkspaceOpen ? VARIANT_TRUE : VARIANT_FALSE;
    m_WorkspaceOpen = false;
    return S_OK;
}

HRESULT RECImport::ReadRECChannelInfo(BSTR recFile, BSTR, LONG* channelCount, BSTR* signalNames, BSTR* units,
                                      BSTR* aliases, double* startTime, VARIANT_BOOL* ok) {
    return component::ComCall("ReadRECChannelInfo", [&]() -> HRESULT {
        if (!channelCount || !signalNames || !units || !aliases || !startTime || !ok) return E_POINTER;
        *channelCount = 0;
        *signalNames = *units = *aliases = nullptr;
        *startTime = 0.0;
        *ok = VARIANT_FALSE;
        if (!m_WorkspaceOpen) return E_UNEXPECTED;
        RECFile file;
        if (!ReadRECFile(platform::FileNameFromWide(BstrTextUpToNul(recFile)), file)) return E_FAIL;
        UniqueBstr names(ToBstr(Joined(file, [](const RECChannel& c) { return c.name; })));
        UniqueBstr unitList(ToBstr(Joined(file, [](const RECChannel& c) { return c.unit; })));
        *aliases = ToBstr(AliasEntries(file));
        *signalNames = names.release();
        *units = unitList.release();
        *channelCount = static_cast<LONG>(file.channels.size());
        *startTime = file.startTime;
        *ok = VARIANT_TRUE;
        return S_OK;
    });
}

}  // namespace tarn::recimport

// RECImport: the project's own .REC file server (ProgID Tarn.RECImport). It reads the .REC format
// of RECFile.h and answers the four IRECImport methods the component calls; its working object
// is the server itself, open from CreateWorkspace to CloseWorkspace.
#pragma once

#include "component/TarnInterfaces.h"
#include "component/com/ObjectRoot.h"

namespace tarn::recimport {

class RECImport : public com::ObjectRoot, public RECImportPlaceholders {
public:
    static const com::InterfaceMap& Interfaces();
    // Creates a server object (aggregated when outer is given) and queries it for riid.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE GetWorkspace(IUnknown** workspace) override;
    HRESULT STDMETHODCALLTYPE CreateWorkspace(VARIANT create, IUnknown** workspace) override;
    HRESULT STDMETHODCALLTYPE CloseWorkspace(VARIANT close, VARIANT_BOOL* closed) override;
    // E_UNEXPECTED without an open working object; E_FAIL when the .REC file cannot be read or
    // is not one.
    HRESULT STDMETHODCALLTYPE ReadRECChannelInfo(BSTR recFile, BSTR dataFile, LONG* channelCount, BSTR* signalNames,
                                                 BSTR* units, BSTR* aliases, double* startTime,
                                                 VARIANT_BOOL* ok) override;

protected:
    explicit RECImport(IUnknown* outer) : com::ObjectRoot(outer) {}

private:
    // The working object handed out: the server's own identity, with a new reference.
    HRESULT HandOutWorkspace(IUnknown** workspace);

    bool m_WorkspaceOpen = false;
};

}  // namespace tarn::recimport

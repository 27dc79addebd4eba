#include "component/RECFileLoader.h"

#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"
#include "platform/Ascii.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "setup/RECChannelInfo.h"

#include <string_view>

namespace tarn::component {

namespace {

// Longer paths than this are not handed to the server.
constexpr std::size_t kMaxPath = 255;

// Where a directory ends in a stored file name. POSIX names use '/', but names written on
// Windows use '\': both count there.
#ifdef _WIN32
constexpr const char* kSeparators = "\\";
#else
constexpr const char* kSeparators = "/\\";
#endif

// The .REC file that pairs with a ".DAT" recording: the first match of "*.REC" in its directory,
// whose base name occurs in the recording's. False when there is none or a path is too long.
bool FindRECFile(const std::string& fileName, std::string& recPath) {
    const std::size_t dot = fileName.rfind('.');
    if (fileName.size() > kMaxPath || dot == std::string::npos ||
        !platform::EqualIgnoringCase(std::string_view(fileName).substr(dot), ".DAT")) {
        return false;
    }
    const std::size_t separator = fileName.find_last_of(kSeparators);
    // Without a separator the whole name is taken as the directory, where nothing is found.
    const std::string directory = fileName.substr(0, separator);
    const char separatorChar = separator == std::string::npos ? '\\' : fileName[separator];
    std::string recName;
    if (!platform::FirstMatchingFile(directory + separatorChar + "*.REC", recName)) return false;
    recPath = directory + separatorChar + recName;
    const std::size_t baseStart = separator == std::string::npos ? 0 : separator + 1;
    const std::string dataBase = fileName.substr(baseStart, dot > baseStart ? dot - baseStart : 0);
    return recPath.size() <= kMaxPath && dataBase.find(recName.substr(0, recName.rfind('.'))) != std::string::npos;
}

VARIANT TrueVariant() {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = VARIANT_TRUE;
    return value;
}

// The server and its working object for one read. A working object it created is closed again
// on every way out.
class RECImportSession {
public:
    RECImportSession() = default;
    RECImportSession(const RECImportSession&) = delete;
    RECImportSession& operator=(const RECImportSession&) = delete;
    ~RECImportSession() {
        if (!m_CreatedWorkspace) return;
        VARIANT_BOOL closed = VARIANT_FALSE;
        m_Server->CloseWorkspace(TrueVariant(), &closed);
    }

    // Creates and runs the server, then takes its working object or creates one.
    bool Connect() {
        client::ComPtr<IUnknown> object;
        if (FAILED(CoCreateInstance(CLSID_RECImport, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid())) ||
            FAILED(OleRun(object.Get()))) {
            return false;
        }
        m_Server = object.As<IRECImport>(IID_IRECImport);
        if (!m_Server) return false;
        if (SUCCEEDED(m_Server->GetWorkspace(m_Workspace.Put()))) return true;
        m_CreatedWorkspace = SUCCEEDED(m_Server->CreateWorkspace(TrueVariant(), m_Workspace.Put()));
        return m_CreatedWorkspace;
    }

    bool Read(const std::string& recPath, const std::string& dataPath, RECChannelInfo& info) {
        const UniqueBstr recFile(AllocBstr(platform::FileNameToWide(recPath)));
        const UniqueBstr dataFile(AllocBstr(platform::FileNameToWide(dataPath)));
        BSTR names = nullptr, units = nullptr, aliases = nullptr;
        LONG count = 0;
        VARIANT_BOOL ok = VARIANT_FALSE;
        const HRESULT hr = m_Server->ReadRECChannelInfo(recFile.get(), dataFile.get(), &count, &names, &units,
                                                        &aliases, &info.startTime, &ok);
        const UniqueBstr ownedNames(names), ownedUnits(units), ownedAliases(aliases);
        if (FAILED(hr)) return false;
        // A negative count is no channel; a null list is an empty one.
        info.channelCount = count < 0 ? 0 : count;
        info.signalNames = platform::WideToAnsi(BstrTextUpToNul(names));
        info.units = platform::WideToAnsi(BstrTextUpToNul(units));
        info.aliases = platform::WideToAnsi(BstrTextUpToNul(aliases));
        return true;
    }

private:
    // Declared first, so released last: the working object before its server.
    client::ComPtr<IRECImport> m_Server;
    client::ComPtr<IUnknown> m_Workspace;
    bool m_CreatedWorkspace = false;
};

}  // namespace

bool LoadRECFile(const std::string& fileName, CParamList& params) {
    std::string recPath;
    if (!FindRECFile(fileName, recPath)) return false;
    RECImportSession session;
    RECChannelInfo info;
    return session.Connect() && session.Read(recPath, fileName, info) && StoreRECChannelInfo(info, params);
}

}  // namespace tarn::component

// The companion .REC file through stand-ins for its server, registered in the process under the
// server's class: every way the loader ends, each checking that the working object was closed
// exactly when the loader created it and that every reference went back.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>

#include "component/com/ClassFactory.h"
#include "component/recimport/RECImport.h"
#include "tests/component/ComponentFixture.h"

namespace tarn::test {
namespace {

// Marks the start time of 1 January 2008, 13:05:09.250 local time.
constexpr double kLocalStart = 1.0;

double LocalStart() {
    std::tm local{};
    local.tm_year = 108, local.tm_mday = 1, local.tm_hour = 13, local.tm_min = 5, local.tm_sec = 9;
    local.tm_isdst = -1;
    return double(std::mktime(&local)) + 0.25;
}

// What the stand-in answers: GetWorkspace, CreateWorkspace, ReadRECChannelInfo and its lists.
struct Answers {
    Answers(HRESULT getAnswer = S_OK, HRESULT createAnswer = S_OK, HRESULT readAnswer = S_OK, LONG channels = 0,
            const char16_t* nameList = u"", const char16_t* unitList = u"", const char16_t* aliasList = u"",
            double start = 0)
        : get(getAnswer), create(createAnswer), read(readAnswer), count(channels), names(nameList), units(unitList),
          aliases(aliasList), time(start) {}
    HRESULT get, create, read;
    LONG count;
    const char16_t *names, *units, *aliases;
    double time;
};

class FakeServer final : public RECImportPlaceholders {
public:
    explicit FakeServer(const Answers& answers) : m_Answers(answers) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IRECImport) ? this : nullptr;
        if (*ppv) AddRef();
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--references); }
    // The working object is the stand-in itself: its references count with the others.
    HRESULT STDMETHODCALLTYPE GetWorkspace(IUnknown** workspace) override { return Hand(m_Answers.get, workspace); }
    HRESULT STDMETHODCALLTYPE CreateWorkspace(VARIANT create, IUnknown** workspace) override {
        EXPECT_TRUE(V_VT(&create) == VT_BOOL && V_BOOL(&create) == VARIANT_TRUE);
        return Hand(m_Answers.create, workspace);
    }
    HRESULT STDMETHODCALLTYPE CloseWorkspace(VARIANT close, VARIANT_BOOL* closed) override {
        EXPECT_TRUE(V_VT(&close) == VT_BOOL && V_BOOL(&close) == VARIANT_TRUE);
        *closed = VARIANT_TRUE;
        ++closes;
        return E_FAIL;   // ignored
    }
    HRESULT STDMETHODCALLTYPE ReadRECChannelInfo(BSTR recFile, BSTR, LONG* count, BSTR* names, BSTR* units,
                                                 BSTR* aliases, double* time, VARIANT_BOOL*) override {
        recPath = BstrText(recFile);
        if (FAILED(m_Answers.read)) return m_Answers.read;
        *count = m_Answers.count;
        *names = m_Answers.names ? AllocBstr(m_Answers.names) : nullptr;
        *units = m_Answers.units ? AllocBstr(m_Answers.units) : nullptr;
        *aliases = m_Answers.aliases ? AllocBstr(m_Answers.aliases) : nullptr;
        *time = m_Answers.time == kLocalStart ? LocalStart() : m_Answers.time;
        return S_OK;
    }

    long references = 0;
    int closes = 0;
    std::u16string recPath;

private:
    HRESULT Hand(HRESULT answer, IUnknown** workspace) {
        *workspace = SUCCEEDED(answer) ? this : nullptr;
        if (*workspace) AddRef();
        return answer;
    }
    Answers m_Answers;
};

FakeServer* g_server = nullptr;
int g_creations = 0;

HRESULT CreateFake(IUnknown*, REFIID riid, void** ppv) {
    ++g_creations;
    return g_server->QueryInterface(riid, ppv);
}

class RECFile : public ComponentTest {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }

    // Date and time, then per channel "OrgSignalName,SignalName,Unit,SignalAliases" ("-": none).
    std::u16string Loaded() {
        const auto text = [&](const char16_t* key, LONG section) {
            const std::u16string value = Parameter(key, section);
            return value == u"<empty>" ? u"-" : value;
        };
        std::u16string result = text(u"Date", 0) + u"," + text(u"Time", 0) + u";";
        for (LONG ch = 1; ch <= 2; ++ch) {
            result += text(u"OrgSignalName", ch) + u"," + text(u"SignalName", ch) + u"," + text(u"Unit", ch) + u"," +
                      text(u"SignalAliases", ch) + u";";
        }
        return result;
    }
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const char16_t kDefaults[] = u"-,-;Signal1,,,-;Signal2,,,-;";
const char16_t kStart[] = u"01/JAN/2008,13:05:09:250;";

TEST_F(RECFile, EveryWayTheLoaderEnds) {
    const struct Case {
        const char* data;
        const char* rec;
        bool serve;
        Answers answers;
        int creations, closes;
        std::u16string loaded;
    } cases[] = {
        {"Run1_003.dat", "Run1.REC", false, {}, 0, 0, kDefaults},
        {"Run1_003.BIN", "Run1.REC", true, {S_OK}, 0, 0, kDefaults},
        {"Take2.DAT", "Run1.REC", true, {S_OK}, 0, 0, kDefaults},
        {"", "Run1.REC", true, {S_OK}, 0, 0, kDefaults},   // a path of 256 bytes
        {"Run1_003.dat", "Run1.REC", true, {E_FAIL, E_FAIL}, 1, 0, kDefaults},
        {"Run1_003.dat", "Run1.REC", true, {E_FAIL, S_OK, E_FAIL}, 1, 1, kDefaults},
        {"Run1_003.dat", "Run1.REC", true, {S_OK, S_OK, E_FAIL}, 1, 0, kDefaults},
        {"Run1_003.dat", "Run1.REC", true, {S_OK, S_OK, S_OK, 3, u"A\tB\tC", u"V\tmV\tA", u"", kLocalStart}, 1, 0,
         kStart + std::u16string(u"A,A,V,-;B,B,mV,-;")},
        {"run1_003.dat", "run1.rec", true, {E_FAIL, S_OK, S_OK, 1, u"A", u"V", u"[A\tx\t]", kLocalStart}, 1, 1,
         kStart + std::u16string(u"A,A,V,x;-,Force,,-;")},
        {"Run1_003.dat", "Run1.REC", true, {E_FAIL, S_OK, S_OK, 2, u"A\tB", u"V\tW", u"[B\tb1\tb2\t]", kLocalStart}, 1, 1,
         kStart + std::u16string(u"A,A,V,-;B,B,W,b1\tb2;")},
        {"Run1_003.dat", "Run1.REC", true, {S_OK, S_OK, S_OK, 2, u"A", u"V\tW", u"[A]\t]", kLocalStart}, 1, 0,
         kStart + std::u16string(u"A,A,V,-;A,A,W,-;")},
        {"Run1_003.dat", "Run1.REC", true, {S_OK, S_OK, S_OK, -1, u"A", u"V", u"", kLocalStart}, 1, 0,
         kStart + std::u16string(u"-,Pressure,Pa,-;-,Force,,-;")},
        {"Run1_003.dat", "Run1.REC", true, {S_OK, S_OK, S_OK, 2, nullptr, nullptr, nullptr, -1.5}, 1, 0,
         u"00//   0,-1:-1:-1:-500;,,,-;,,,-;"},
        {"Run1_003.dat", "Run1.REC", true, {S_OK, S_OK, S_OK, 0, u"", u"", u"", kNaN}, 1, 0,
         u"00//   0,-1:-1:-1:000;-,Pressure,Pa,-;-,Force,,-;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        const std::filesystem::path folder = dir.path() / std::to_string(&c - cases);
        std::filesystem::create_directory(folder);
        const std::string data = *c.data ? c.data : "Run1_" + std::string(246 - folder.string().size(), 'x') + ".dat";
        const std::string recording = TwoChannelRecording().WriteTo(dir, (folder / data).string());
        dir.write((folder / c.rec).string(), "not a REC file");
        FakeServer server(c.answers);
        g_server = &server;
        g_creations = 0;
        com::ClassFactory factory(CLSID_RECImport, &CreateFake);
        DWORD cookie = 0;
        if (c.serve) { ASSERT_EQ(factory.RegisterInProcess(&cookie), S_OK); }
        LONG enabled = 0;
        ASSERT_EQ(component().put_EnableLoadRECFileWithCORAL(7), S_OK);
        ASSERT_EQ(component().get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
        EXPECT_EQ(enabled, 1);
        SetFileName(recording);
        LONG ok = 0;
        ASSERT_EQ(component().open(&ok), S_OK);
        EXPECT_EQ(ok, 1);
        if (c.serve) { EXPECT_EQ(CoRevokeClassObject(cookie), S_OK); }
        EXPECT_EQ(Loaded(), c.loaded);
        EXPECT_EQ(g_creations, c.creations);
        EXPECT_EQ(server.closes, c.closes);
        EXPECT_EQ(server.references, 0);
        if (g_creations != 0 && c.answers.read == S_OK && c.answers.get == S_OK) {
            EXPECT_EQ(server.recPath, platform::FileNameToWide((folder / c.rec).string()));
        }
        component().close();
    }
    // Off, the setup text's names stay and no server is asked.
    ASSERT_EQ(component().put_EnableLoadRECFileWithCORAL(0), S_OK);
    Open(TwoChannelRecording(), "Run1_004.dat");
    EXPECT_EQ(Loaded(), u"-,-;-,Pressure,Pa,-;-,Force,,-;");
}

// The project's own server: its answer for a .REC file, and a failure for what is none.
TEST_F(RECFile, TheServerReadsItsFormat) {
    client::ComPtr<IRECImport> server;
    ASSERT_EQ(recimport::RECImport::Create(nullptr, IID_IRECImport, server.PutVoid()), S_OK);
    const std::pair<const char*, const char16_t*> cases[] = {
        {"; set-up\r\n[recording]\r\nStart = 2008-01-01 13:05:09.25\r\nChannels=3\r\n[Channel 1]\r\nName= A \r\n"
         "Unit=V\r\nAliases=a1; ;a2\r\nName=not this\r\n[Channel 3]\r\nName=C",
         u"3|A\t\tC|V\t\t|[A\ta1\ta2\t]"},
        // A TAB inside a value, or a "]" inside an alias, would shift or cut the later fields.
        {"[Recording]\nStart=2008-01-01 13:05:09.25\nChannels=2\n[Channel 1]\nName=A\tB\nUnit=V\nAliases=x]y;z\n"
         "[Channel 2]\nName=C\nUnit=W\tX",
         u"2|A?B\tC|V\tW?X|[A?B\tx?y\tz\t]"},
        {"[Recording]\nStart=2008-01-01 13:05:09\nChannels=0", nullptr},
        {"[Recording]\nStart=2008-01-01 13:05:09\nChannels=65537", nullptr},
        {"[Recording]\nStart=2008-01-01 13:05:09.2500\nChannels=1", nullptr},
        {"[Recording]\nStart=yesterday\nChannels=1", nullptr},
        {"[Recording]\nStart=2008-13-01 13:05:09\nChannels=1", nullptr},
        {"[Recording\nStart=2008-01-01 13:05:09\nChannels=1", nullptr},
    };
    VARIANT_BOOL closed = VARIANT_FALSE;
    client::ComPtr<IUnknown> workspace;
    for (const auto& [text, answer] : cases) {
        const UniqueBstr path(AllocBstr(platform::FileNameToWide(dir.write("set.REC", std::string_view(text)))));
        LONG count = 0;
        BSTR names = nullptr, units = nullptr, aliases = nullptr;
        double time = 0;
        VARIANT_BOOL ok = VARIANT_FALSE;
        const HRESULT hr = server->ReadRECChannelInfo(path.get(), nullptr, &count, &names, &units, &aliases, &time, &ok);
        if (!workspace) {
            EXPECT_EQ(hr, E_UNEXPECTED);   // no working object yet
            EXPECT_EQ(server->GetWorkspace(workspace.Put()), E_FAIL);
            ASSERT_EQ(server->CreateWorkspace(VARIANT{}, workspace.Put()), S_OK);
            ASSERT_EQ(server->ReadRECChannelInfo(path.get(), nullptr, &count, &names, &units, &aliases, &time, &ok), S_OK);
        } else if (answer == nullptr) {
            EXPECT_EQ(hr, E_FAIL) << text;
            continue;
        }
        EXPECT_EQ(std::to_string(count) + "|" + platform::WideToAnsi(BstrText(names) + u"|" + BstrText(units) + u"|" +
                                                                     BstrText(aliases)),
                  platform::WideToAnsi(answer));
        EXPECT_EQ(time, LocalStart());
        SysFreeString(names), SysFreeString(units), SysFreeString(aliases);
    }
    EXPECT_EQ(server->CloseWorkspace(VARIANT{}, &closed), S_OK);
    EXPECT_EQ(closed, VARIANT_TRUE);
}

}  // namespace
}  // namespace tarn::test

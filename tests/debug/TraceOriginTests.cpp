// Source locations of trace statements: the qualified function name and per-thread origins.
#include <map>
#include <thread>

#include "debug/FunctionName.h"
#include "tests/debug/TraceTestFixture.h"

// Outside the anonymous namespace, whose spelling differs between compilers.
static void FreeFunction(int& line) { line = __LINE__; QV_TRACE("k", 1, "free"); }
namespace tracetest {
int* Namespaced(int& line) { line = __LINE__; QV_TRACE("k", 1, "namespaced"); return nullptr; }
struct Probe {
    std::map<int, std::vector<int>>* Member(int& line) const { line = __LINE__; QV_TRACE("k", 1, "member"); return nullptr; }
};
}  // namespace tracetest

namespace {

struct SignatureCase {
    const char* signature;
    const char* name;
};

class FunctionName : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(FunctionName, KeepsOnlyTheQualifiedName) {
    EXPECT_EQ(tarn::QVDebug::Detail::QualifiedFunctionName(GetParam().signature), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, FunctionName,
    ::testing::Values(
        SignatureCase{"void CQVDataRecorderReader::ReadGenFeBlock(int)", "CQVDataRecorderReader::ReadGenFeBlock"},
        SignatureCase{"int main()", "main"},
        SignatureCase{"std::vector<int>* ns::C::Make(const char*) const", "ns::C::Make"},
        SignatureCase{"std::vector<int> *ns::C::Make(const char *) const", "ns::C::Make"},
        SignatureCase{"std::map<int, std::pair<int, int> > ns::f(void (*)(int))", "ns::f"},
        SignatureCase{"T ns::Max(T, T) [with T = int]", "ns::Max"},
        SignatureCase{"void ns::Holder<std::pair<int, int> >::Put(T) [T = int]",
                      "ns::Holder<std::pair<int, int> >::Put"},
        SignatureCase{"CParamList::~CParamList()", "CParamList::~CParamList"},
        SignatureCase{"bool C::operator<(const C&) const", "C::operator<"},
        SignatureCase{"void C::operator()(int)", "C::operator()"},
        SignatureCase{"C::operator int*() const", "C::operator int*"},
        SignatureCase{"int& {anonymous}::Get()", "{anonymous}::Get"},
        SignatureCase{"int &(anonymous namespace)::Get()", "(anonymous namespace)::Get"},
        SignatureCase{"f()::<lambda(int)>", "f()::<lambda(int)>"},
        SignatureCase{"Bare", "Bare"}, SignatureCase{"", ""}, SignatureCase{")(", ")("}));

// One line per statement with the origin only, so that the function name is easy to pick out.
class TraceOrigin : public TraceTest {
protected:
    void SetUp() override {
        TraceTest::SetUp();
        WriteConfig("Level=4\nKeywordInTrace=0");
    }
    std::string Expected(const char* message, const char* function, int line) const {
        return std::string(message) + "    Origin: " + __FILE__ + "\\" + function + "(" +
               std::to_string(line) + ")\r\n";
    }
};

TEST_F(TraceOrigin, NamesTheEnclosingFunction) {
    int lines[3] = {};
    FreeFunction(lines[0]);
    tracetest::Namespaced(lines[1]);
    tracetest::Probe().Member(lines[2]);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Expected("free", "FreeFunction", lines[0]),
                           Expected("namespaced", "tracetest::Namespaced", lines[1]),
                           Expected("member", "tracetest::Probe::Member", lines[2])}));
}

void TraceFromThread(const char* message) {
    for (int i = 0; i < 300; ++i) QV_TRACE("k", 1, "%s", message);
}
void TraceFromOtherThread(const char* message) {
    for (int i = 0; i < 300; ++i) QV_TRACE("k", 1, "%s", message);
}

TEST_F(TraceOrigin, EachThreadKeepsItsOwnOrigin) {
    std::thread a(TraceFromThread, "a"), b(TraceFromOtherThread, "b");
    a.join();
    b.join();
    const auto lines = Lines();
    EXPECT_EQ(lines.size(), 600u);
    for (const std::string& line : lines) {
        const char* owner = line[0] == 'a' ? "::TraceFromThread(" : "::TraceFromOtherThread(";
        EXPECT_NE(line.find(owner), std::string::npos) << line;
    }
}

}  // namespace

// Source locations of trace statements: the function's name without namespaces, per thread.
#include <map>
#include <thread>

#include "debug/FunctionName.h"
#include "tests/debug/TraceTestFixture.h"

namespace tarn::test::origin {
int* Namespaced(int& line) { line = __LINE__; QV_TRACE("k", 1, "namespaced"); return nullptr; }
struct Probe {
    std::map<int, std::vector<int>>* Member(int& line) const { line = __LINE__; QV_TRACE("k", 1, "member"); return nullptr; }
    ~Probe() { QV_TRACE("k", 1, "destructor"); }
};
}  // namespace tarn::test::origin

namespace {

using Case = std::pair<const char*, const char*>;  // signature, name

class FunctionName : public ::testing::TestWithParam<Case> {};

TEST_P(FunctionName, KeepsTheClassAndFunctionOnly) {
    EXPECT_EQ(tarn::QVDebug::Detail::QualifiedFunctionName(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, FunctionName,
    ::testing::Values(
        Case{"void tarn::CQVDataRecorderReader::ReadGenFeBlock(int)", "CQVDataRecorderReader::ReadGenFeBlock"},
        Case{"int main()", "main"}, Case{"void tarn::QVDebug::QVTrace(const char*)", "QVDebug::QVTrace"},
        Case{"std::vector<int>* tarn::component::C::Make(const char*) const", "C::Make"},
        Case{"std::vector<int> *tarn::le::f(const char *) const", "f"},
        Case{"std::map<int, std::pair<int, int> > ns::f(void (*)(int))", "f"},
        Case{"T tarn::Max(T, T) [with T = int]", "Max"},
        Case{"void tarn::Holder<std::pair<int, int> >::Put(T) [T = int]", "Holder<std::pair<int, int> >::Put"},
        Case{"tarn::CChannelDesc::~CChannelDesc()", "CChannelDesc::~CChannelDesc"},
        Case{"bool C::operator<(const C&) const", "C::operator<"}, Case{"void C::operator()(int)", "C::operator()"},
        Case{"C::operator int*() const", "C::operator int*"}, Case{"bool tarn::operator==(A, A)", "operator=="},
        Case{"int& tarn::{anonymous}::Get()", "Get"}, Case{"int &(anonymous namespace)::C::Get()", "C::Get"},
        Case{"f()::<lambda(int)>", "f()::<lambda(int)>"}, Case{"Bare", "Bare"}, Case{"", ""}, Case{")(", ")("}));

// One line per statement with the origin only, so that the function name is easy to pick out.
class TraceOrigin : public TraceTest {
protected:
    void SetUp() override {
        TraceTest::SetUp();
        WriteConfig("Level=4\nKeywordInTrace=0");
    }
    static std::string Expected(const char* message, const char* function, int line) {
        return std::string(message) + "    Origin: " + __FILE__ + "\\" + function + "(" + std::to_string(line) + ")\r\n";
    }
};

TEST_F(TraceOrigin, NamesTheEnclosingClassAndFunction) {
    int lines[2] = {};
    tarn::test::origin::Namespaced(lines[0]);
    tarn::test::origin::Probe().Member(lines[1]);
    const auto all = Lines();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], Expected("namespaced", "Namespaced", lines[0]));
    EXPECT_EQ(all[1], Expected("member", "Probe::Member", lines[1]));
    EXPECT_NE(all[2].find("\\Probe::~Probe("), std::string::npos) << all[2];
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
    for (const std::string& line : lines)
        EXPECT_NE(line.find(line[0] == 'a' ? "\\TraceFromThread(" : "\\TraceFromOtherThread("), std::string::npos) << line;
}

}  // namespace

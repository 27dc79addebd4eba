#include "tests/setup/SetupTestText.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <thread>

namespace {

using tarn::test::Param;

TEST(ParamStore, SetParameterReplacesAndConvertsFromTheAnsiCodePage) {
    CParamList store;
    EXPECT_FALSE(store.SetParameter(0, "Unit", "Pa"));  // no sections yet
    ASSERT_TRUE(store.Init(3));
    EXPECT_TRUE(store.SetParameter(2, "Unit", "Pa"));
    EXPECT_TRUE(store.SetParameter(2, "Unit", "\xB5m"));
    EXPECT_TRUE(store.SetParameter(0, "Currency", "\x80"));
    EXPECT_EQ(Param(store, 2, "Unit"), u"\u00B5m");
    EXPECT_EQ(Param(store, 0, "Currency"), u"\u20AC");
    EXPECT_EQ(Param(store, 1, "Unit"), std::nullopt);
}

// The VARIANT handed in already holds a string: every outcome must free it first (the test
// builds run under AddressSanitizer, which reports the leak otherwise).
TEST(ParamStore, MissingSectionsAndKeysGiveAnEmptyVariant) {
    CParamList store;
    ASSERT_TRUE(store.Init(2));
    ASSERT_TRUE(store.SetParameter(1, "Unit", "Pa"));
    for (int section : {1, -1, 2, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(section);
        if (section != 1) {
            EXPECT_FALSE(store.SetParameter(section, "Unit", "V"));
            double factor = 0.0;
            EXPECT_FALSE(store.GetCorrectionFactor(section, factor));
        }
        VARIANT value;
        VariantInit(&value);
        V_VT(&value) = VT_BSTR;
        V_BSTR(&value) = tarn::AllocBstr(u"previous value");
        store.GetParameter(section, "Unit", &value);
        EXPECT_EQ(V_VT(&value), section == 1 ? VT_BSTR : VT_EMPTY);
        VariantClear(&value);
    }
    EXPECT_EQ(Param(store, 1, "Unit"), u"Pa");
    store.GetParameter(1, "Unit", nullptr);
}

TEST(ParamStore, InitAndClearStartAfresh) {
    CParamList store;
    ASSERT_TRUE(store.Init(2));
    ASSERT_TRUE(store.ParseSetupSection(tarn::test::WriterLayout(1)));
    ASSERT_TRUE(store.Init(3));
    EXPECT_EQ(Param(store, 1, "Unit"), std::nullopt);
    double factor = 1.0;
    ASSERT_TRUE(store.GetCorrectionFactor(1, factor));
    EXPECT_EQ(factor, 0.0);
    store.Clear();
    EXPECT_EQ(store.GetSectionCount(), 0);
    EXPECT_FALSE(store.GetCorrectionFactor(0, factor));
}

// The scan worker stores its keys while the client's thread reads; run under ThreadSanitizer this
// reports any access outside the store's lock.
TEST(ParamStore, ConcurrentSetAndGetDoNotRace) {
    CParamList store;
    ASSERT_TRUE(store.Init(2));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) store.SetParameter(1, "OverrunLatched", i % 2 ? "Yes" : "No");
        done = true;
    });
    while (!done) {
        const auto value = Param(store, 1, "OverrunLatched");
        EXPECT_TRUE(!value || *value == u"Yes" || *value == u"No");
    }
    writer.join();
    EXPECT_EQ(Param(store, 1, "OverrunLatched"), u"Yes");
}

// Correction factors of section 0 (read too) and of one channel per further entry. Texts the
// conversion rejects count as none, and the parse still succeeds.
void ExpectCorrectionFactorsWhateverTheSeparator() {
    const std::pair<const char*, double> cases[] = {
        {"2.5", 2.5}, {"0.5", 0.5}, {"0,5", 0.5}, {"-0,25", -0.25}, {nullptr, 0.0}, {"", 0.0}, {"n/a", 0.0}};
    tarn::test::SetupText text;
    text.Line("[SETUP START]");
    for (int s = 0; s < 7; ++s) {
        if (s > 0) text.Line("[Channel " + std::to_string(s) + "]");
        text.Line(cases[s].first ? std::string("CorrectionFactor=") + cases[s].first : "Unit=Pa");
    }
    CParamList store;
    ASSERT_TRUE(store.Init(7));
    ASSERT_TRUE(store.ParseSetupSection(text.Stop().str()));
    for (int s = 0; s < 7; ++s) {
        double factor = -1.0;
        ASSERT_TRUE(store.GetCorrectionFactor(s, factor));
        EXPECT_DOUBLE_EQ(factor, cases[s].second) << "section " << s;
    }
}

#ifdef _WIN32
// Under Wine the user's locale is the prefix's and the process cannot switch it; what holds under
// any separator is that point and comma texts read the same.
TEST(CorrectionFactor, PointAndCommaReadTheSame) { ExpectCorrectionFactorsWhateverTheSeparator(); }
#else
// The user's locale is the one the environment names; each case names its own.
class CorrectionFactorLocale : public ::testing::TestWithParam<std::pair<const char*, char16_t>> {};

TEST_P(CorrectionFactorLocale, PointAndCommaReadTheSame) {
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    setenv("LC_ALL", GetParam().first, 1);
    EXPECT_EQ(tarn::platform::UserDecimalSeparator(), GetParam().second);
    ExpectCorrectionFactorsWhateverTheSeparator();
    old ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
}

INSTANTIATE_TEST_SUITE_P(UserLocales, CorrectionFactorLocale,
                         ::testing::Values(std::make_pair("en_US.UTF-8", u'.'),
                                           std::make_pair("de_DE.UTF-8", u',')));
#endif

}  // namespace

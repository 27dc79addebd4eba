// The parameter store's own operations, correction factors, and the embedded REC info's retrieval.
#include "tests/setup/SetupTestText.h"

#include "platform/platform.h"
#include "setup/RECInfoSection.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <thread>
#include <vector>

namespace tarn::test {
namespace {

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
    ASSERT_TRUE(store.Init(3));  // a fresh start
    EXPECT_EQ(Param(store, 2, "Unit"), std::nullopt);
}

// The VARIANT handed in already holds a string: every outcome must free it first (the test
// builds run under AddressSanitizer, which reports the leak otherwise).
TEST(ParamStore, MissingSectionsAndKeysGiveAnEmptyVariant) {
    CParamList store;
    ASSERT_TRUE(store.Init(2));
    ASSERT_TRUE(store.SetParameter(1, "Unit", "Pa"));
    for (int section : {1, -1, 2, INT_MIN, INT_MAX}) {
        double factor = 0.0;
        EXPECT_EQ(store.SetParameter(section, "Unit", "Pa") && store.GetCorrectionFactor(section, factor), section == 1);
        VARIANT value;
        V_VT(&value) = VT_BSTR;
        V_BSTR(&value) = AllocBstr(u"previous value");
        store.GetParameter(section, "Unit", &value);
        EXPECT_EQ(V_VT(&value), section == 1 ? VT_BSTR : VT_EMPTY) << section;
        VariantClear(&value);
    }
    store.GetParameter(1, "Unit", nullptr);
    store.Clear();
    EXPECT_EQ(store.GetSectionCount(), 0);
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

// Correction factors of section 0 (read too) and of one channel per further entry, in the
// user's locale as the environment names it (under Wine the prefix's, which the process cannot
// switch). Point and comma read the same; texts the conversion rejects count as none, and the
// parse still succeeds.
TEST(CorrectionFactor, PointAndCommaReadTheSameWhateverTheSeparator) {
    const std::pair<const char*, double> cases[] = {
        {"2.5", 2.5}, {"0.5", 0.5}, {"0,5", 0.5}, {"-0,25", -0.25}, {nullptr, 0.0}, {"", 0.0}, {"n/a", 0.0}};
    std::string text = "\n[SETUP START]";
    for (int s = 0; s < 7; ++s) {
        if (s > 0) text += "\n[Channel " + std::to_string(s) + "]";
        text += cases[s].first ? std::string("\nCorrectionFactor=") + cases[s].first : "\nUnit=Pa";
    }
#ifdef _WIN32
    for (const char* locale : {""}) {
#else
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    for (const char* locale : {"en_US.UTF-8", "de_DE.UTF-8"}) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(platform::UserDecimalSeparator(), locale[0] == 'd' ? u',' : u'.');
#endif
        CParamList store;
        ASSERT_TRUE(store.Init(7));
        ASSERT_TRUE(store.ParseSetupSection(text + "\n[SETUP STOP]\n"));
        for (int s = 0; s < 7; ++s) {
            double factor = -1.0;
            EXPECT_TRUE(store.GetCorrectionFactor(s, factor));
            EXPECT_DOUBLE_EQ(factor, cases[s].second) << locale << " section " << s;
        }
    }
#ifndef _WIN32
    old ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
#endif
}

// REC info retrieval from a file of 100 bytes: the bytes, or a failure and no block; the stream
// is where it was either way.
TEST(RECInfoSection, ReadsTheBytesOrNothing) {
    using Case = std::tuple<std::int32_t, std::int32_t, bool>;  // position, size, read
    const Case cases[] = {{0, 0, true},  {0, 100, true}, {97, 3, true},      {100, 0, true},      {97, 4, false},
                          {101, 0, false}, {-1, 1, false}, {0, -1, false}, {0, INT_MAX, false}, {INT_MAX, INT_MAX, false}};
    TempDir dir;
    std::vector<unsigned char> all(100);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<unsigned char>(i * 7);
    platform::File file;
    ASSERT_TRUE(file.Open(dir.write("rec.dat", all), platform::File::Mode::Read));
    BYTE untouched = 0;
    for (const auto& [position, size, read] : cases) {
        SCOPED_TRACE(std::to_string(position) + " " + std::to_string(size));
        BYTE* block = &untouched;
        ASSERT_TRUE(file.Seek(7));
        ASSERT_EQ(ReadRECInfoSection(file, position, size, block), read ? RECInfoStatus::Ok : RECInfoStatus::Failed);
        EXPECT_EQ(file.Tell(), 7);
        if (!read) {
            EXPECT_EQ(block, &untouched);
            continue;
        }
        EXPECT_EQ(std::vector<unsigned char>(block, block + size),
                  std::vector<unsigned char>(all.begin() + position, all.begin() + position + size));
        CoTaskMemFree(block);
    }
    file.Close();
    BYTE* block = &untouched;
    EXPECT_EQ(ReadRECInfoSection(file, 0, 0, block), RECInfoStatus::Failed);
    EXPECT_EQ(block, &untouched);
}

}  // namespace
}  // namespace tarn::test

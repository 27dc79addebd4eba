// The setup information of an opened recording: description, sample frequency, units,
// correction factors and parameters by name.
#include <gtest/gtest.h>

#include <climits>

#include "tests/component/ComponentFixture.h"
#include "tests/component/Recordings.h"
#include "tests/platform/ScopedEnvironment.h"

namespace tarn::test {
namespace {

std::string SetupWith(const std::string& recorderLines) {
    return "\n[SETUP START]" + recorderLines + "\n[Channel 1]\nUnit=V\n[SETUP STOP]\n";
}

// The description is the whole setup text, up to its first zero byte.
TEST_F(ComponentTest, DescriptionIsTheSetupText) {
    const std::string full = std::string(kTwoChannelSetup) + "[RECFileInfoSection]\nx=\xe9";
    const std::pair<std::string, std::string> cases[] = {
        {full, full}, {std::string(kTwoChannelSetup) + std::string("\0binary", 7), kTwoChannelSetup}};
    for (const auto& [setup, expected] : cases) {
        component.close();
        Open(TwoChannelRecording(setup));
        BSTR text = nullptr;
        ASSERT_EQ(component.get_Description(&text), S_OK);
        const UniqueBstr owned(text);
        EXPECT_EQ(BstrText(text), platform::AnsiToWide(expected));
    }
}

// Without a setup chunk, or after a malformed channel header, there is no text: the queries
// that need it fail and getParameter finds nothing.
TEST_F(ComponentTest, NothingToQueryWithoutUsableSetupText) {
    const std::pair<std::string, HRESULT> cases[] = {
        {"", E_FAIL}, {"\n[SETUP START]\nSampleFrequency=100\n[Channel 2]\nUnit=V\n[SETUP STOP]\n", E_INVALIDARG}};
    for (const auto& [setup, correctionHr] : cases) {
        component.close();
        Open(TwoChannelRecording(setup));
        double number = -1;
        EXPECT_EQ(component.get_SampleFrequency(&number), E_FAIL) << setup;
        EXPECT_EQ(component.GetCorrectionFactor(setup.empty() ? 1 : 0, &number), correctionHr) << setup;
        ScopedVariant value;
        EXPECT_EQ(component.getParameter(Bstr(u"SampleFrequency").get(), 0, value.get()), S_OK);
        EXPECT_EQ(V_VT(value.get()), VT_EMPTY) << setup;
    }
    BSTR text = reinterpret_cast<BSTR>(1), unit = nullptr;   // the recording without setup text
    ASSERT_EQ(component.close(), S_OK);
    Open(TwoChannelRecording(""));
    ASSERT_EQ(component.get_Description(&text), S_OK);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(component.GetUnit(1, &unit), E_FAIL);
}

TEST_F(ComponentTest, SampleFrequencyWithEitherSeparator) {
    struct Case {
        const char* line;
        HRESULT hr;
    };
    const Case cases[] = {
        {"\nSampleFrequency=44100.5", S_OK}, {"\nSampleFrequency=44100,5", S_OK},
        {"\nSampleFrequency=fast", E_FAIL},  {"\nSampleFrequency=", E_FAIL},
        {"\nsamplefrequency=44100.5", E_FAIL},
    };
    // The separator the text carries is replaced by the user's before the locale-aware
    // conversion, so the result does not depend on the locale. POSIX takes the locale from the
    // environment; under Windows the user's locale is whatever the system has, and the same
    // result is expected there.
#ifdef _WIN32
    const char* locales[] = {nullptr};
#else
    const char* locales[] = {"de_DE.UTF-8", "en_US.UTF-8", "C"};
#endif
    for (const char* locale : locales) {
        ScopedEnvironment environment;
        if (locale) environment.Set("LC_ALL", std::string(locale));
        for (const Case& c : cases) {
            component.close();
            Open(TwoChannelRecording(SetupWith(c.line)));
            double frequency = -1;
            EXPECT_EQ(component.get_SampleFrequency(&frequency), c.hr) << c.line << " " << (locale ? locale : "");
            if (c.hr == S_OK) {
                EXPECT_DOUBLE_EQ(frequency, 44100.5) << c.line << " " << (locale ? locale : "");
            }
        }
    }
}

// Channel 0 (the DC channel) has a factor but no unit; an empty unit is an empty string.
TEST_F(ComponentTest, UnitsAndCorrectionFactors) {
    struct Case {
        LONG channel;
        const char16_t* unit;   // nullptr: E_FAIL and a null BSTR
        HRESULT factorHr;
        double factor;
    };
    const Case cases[] = {
        {1, u"Pa", S_OK, 0.5},          {2, u"", S_OK, 0.25},           {0, nullptr, S_OK, 0.0},
        {3, nullptr, E_INVALIDARG, 0}, {-1, nullptr, E_INVALIDARG, 0}, {INT_MAX, nullptr, E_INVALIDARG, 0},
    };
    Open(TwoChannelRecording());
    for (const Case& c : cases) {
        BSTR unit = nullptr;
        EXPECT_EQ(component.GetUnit(c.channel, &unit), c.unit ? S_OK : E_FAIL) << c.channel;
        const UniqueBstr owned(unit);
        if (c.unit == nullptr) {
            EXPECT_EQ(unit, nullptr) << c.channel;
        } else {
            ASSERT_NE(unit, nullptr) << c.channel;
            EXPECT_EQ(BstrText(unit), c.unit);
        }
        double factor = -1;
        EXPECT_EQ(component.GetCorrectionFactor(c.channel, &factor), c.factorHr) << c.channel;
        if (c.factorHr == S_OK) {
            EXPECT_DOUBLE_EQ(factor, c.factor) << c.channel;
        }
    }
}

TEST_F(ComponentTest, ParametersByName) {
    Open(TwoChannelRecording());
    struct Case {
        const char16_t* name;  // nullptr: a null BSTR
        LONG channel;
        const char16_t* value;  // nullptr: VT_EMPTY
    };
    const Case cases[] = {
        {u"SignalName", 2, u"Force"}, {u"NoChannels", 0, u"2"}, {u"SampleFrequency", 0, u"44100.5"},
        {u"Unit", 0, nullptr},        {u"Unit", 3, nullptr},    {u"Unit", -1, nullptr},
        {u"unit", 1, nullptr},        {u"", 1, nullptr},        {nullptr, 1, nullptr},
    };
    for (const Case& c : cases) {
        const UniqueBstr name(c.name ? AllocBstr(c.name) : nullptr);
        ScopedVariant value;
        ASSERT_EQ(component.getParameter(name.get(), c.channel, value.get()), S_OK);
        if (c.value == nullptr) {
            EXPECT_EQ(V_VT(value.get()), VT_EMPTY) << c.channel;
        } else {
            EXPECT_EQ(Text(value), c.value) << c.channel;
        }
    }
}

}  // namespace
}  // namespace tarn::test

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

TEST_F(ComponentTest, DescriptionIsTheWholeSetupText) {
    const std::string setup = std::string(kTwoChannelSetup) + "[RECFileInfoSection]\nx=\xe9";
    Open(TwoChannelRecording(setup));
    BSTR text = nullptr;
    ASSERT_EQ(component.get_Description(&text), S_OK);
    const UniqueBstr owned(text);
    EXPECT_EQ(BstrText(text), platform::AnsiToWide(setup));
}

TEST_F(ComponentTest, DescriptionEndsAtTheFirstZeroByte) {
    Open(TwoChannelRecording(std::string(kTwoChannelSetup) + std::string("\0binary", 7)));
    BSTR text = nullptr;
    ASSERT_EQ(component.get_Description(&text), S_OK);
    const UniqueBstr owned(text);
    EXPECT_EQ(BstrText(text), platform::AnsiToWide(kTwoChannelSetup));
}

// Without a setup chunk there is no text: the description is null, the queries that need the
// text fail, and getParameter finds nothing.
TEST_F(ComponentTest, RecordingWithoutSetupText) {
    Open(TwoChannelRecording(""));
    BSTR text = reinterpret_cast<BSTR>(1);
    ASSERT_EQ(component.get_Description(&text), S_OK);
    EXPECT_EQ(text, nullptr);
    double number = 0;
    BSTR unit = nullptr;
    EXPECT_EQ(component.get_SampleFrequency(&number), E_FAIL);
    EXPECT_EQ(component.GetCorrectionFactor(1, &number), E_FAIL);
    EXPECT_EQ(component.GetUnit(1, &unit), E_FAIL);
    OwnedVariant value;
    EXPECT_EQ(component.getParameter(Bstr(u"Unit").get(), 1, value.get()), S_OK);
    EXPECT_EQ(V_VT(value.get()), VT_EMPTY);
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

TEST_F(ComponentTest, SampleFrequencyParameterIsTheText) {
    Open(TwoChannelRecording());
    OwnedVariant value;
    ASSERT_EQ(component.getParameter(Bstr(u"SampleFrequency").get(), 0, value.get()), S_OK);
    EXPECT_EQ(Text(value), u"44100.5");
}

TEST_F(ComponentTest, Units) {
    Open(TwoChannelRecording());
    struct Case {
        LONG channel;
        HRESULT hr;
        const char16_t* unit;
    };
    const Case cases[] = {{1, S_OK, u"Pa"}, {2, S_OK, u""}, {0, E_FAIL, nullptr}, {3, E_FAIL, nullptr}, {-1, E_FAIL, nullptr}};
    for (const Case& c : cases) {
        BSTR unit = nullptr;
        EXPECT_EQ(component.GetUnit(c.channel, &unit), c.hr) << c.channel;
        const UniqueBstr owned(unit);
        if (c.unit == nullptr) {
            EXPECT_EQ(unit, nullptr) << c.channel;
        } else {
            ASSERT_NE(unit, nullptr) << "an empty unit is an empty string, not a null one";
            EXPECT_EQ(BstrText(unit), c.unit);
        }
    }
}

TEST_F(ComponentTest, CorrectionFactors) {
    struct Case {
        LONG channel;
        HRESULT hr;
        double factor;
    };
    const Case cases[] = {
        {1, S_OK, 0.5}, {2, S_OK, 0.25}, {0, S_OK, 0.0}, {3, E_INVALIDARG, 0}, {-1, E_INVALIDARG, 0},
        {INT_MAX, E_INVALIDARG, 0},
    };
    Open(TwoChannelRecording());
    for (const Case& c : cases) {
        double factor = -1;
        EXPECT_EQ(component.GetCorrectionFactor(c.channel, &factor), c.hr) << c.channel;
        if (c.hr == S_OK) {
            EXPECT_DOUBLE_EQ(factor, c.factor) << c.channel;
        }
    }
}

// A malformed channel header empties the store: nothing to find, no table to read from.
TEST_F(ComponentTest, FailedParseLeavesNothingToQuery) {
    Open(TwoChannelRecording("\n[SETUP START]\nSampleFrequency=100\n[Channel 2]\nUnit=V\n[SETUP STOP]\n"));
    double number = -1;
    EXPECT_EQ(component.GetCorrectionFactor(0, &number), E_INVALIDARG);
    EXPECT_EQ(component.get_SampleFrequency(&number), E_FAIL);
    OwnedVariant value;
    EXPECT_EQ(component.getParameter(Bstr(u"SampleFrequency").get(), 0, value.get()), S_OK);
    EXPECT_EQ(V_VT(value.get()), VT_EMPTY);
}

TEST_F(ComponentTest, ParametersByName) {
    Open(TwoChannelRecording());
    struct Case {
        const char16_t* name;  // nullptr: a null BSTR
        LONG channel;
        const char16_t* value;  // nullptr: VT_EMPTY
    };
    const Case cases[] = {
        {u"SignalName", 1, u"Pressure"}, {u"SignalName", 2, u"Force"}, {u"NoChannels", 0, u"2"},
        {u"Unit", 0, nullptr},           {u"Unit", 3, nullptr},        {u"Unit", -1, nullptr},
        {u"unit", 1, nullptr},           {u"Nothing", 1, nullptr},     {u"", 1, nullptr},
        {nullptr, 1, nullptr},
    };
    for (const Case& c : cases) {
        const UniqueBstr name(c.name ? AllocBstr(c.name) : nullptr);
        OwnedVariant value;
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

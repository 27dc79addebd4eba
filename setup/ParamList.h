// CParamList: the parameter store of an open recording. Section 0 holds the recorder-level keys of
// the setup text, section n (1 .. N) channel n. Keys are byte strings in the ANSI code page,
// compared byte-wise and case-sensitively; values are kept as UTF-16 text and handed out as BSTR
// VARIANT copies. Each section also holds the numeric "CorrectionFactor" read by the parser.
//
// Every member locks the store: the background scan adds keys while the client's thread queries.
#pragma once

#include "compat/compat.h"

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

class CParamList {
public:
    CParamList() = default;
    ~CParamList();
    CParamList(const CParamList&) = delete;
    CParamList& operator=(const CParamList&) = delete;

    // Clears, then creates count empty sections with correction factors of 0.0 (none for a count
    // below 1). False, leaving the store empty, when the sections cannot be allocated.
    bool Init(int count);
    // Removes every section.
    void Clear();

    // Fills the sections from a setup text (up to its first zero byte). False when the store has no
    // section or the text has no "[SETUP START]" (the store is left as it was), and when a header
    // is malformed (the store is left empty).
    bool ParseSetupSection(std::string_view text);

    // Clears *value, then puts a VT_BSTR copy of the value stored under key in that section into
    // it; leaves it VT_EMPTY when the section or the key does not exist.
    void GetParameter(int section, std::string_view key, VARIANT* value) const;

    // Stores value (ANSI code page) under key, replacing any earlier value. False, storing nothing,
    // when the section does not exist (or memory runs out).
    bool SetParameter(int section, std::string_view key, std::string_view value);

    // The section's correction factor as the last successful parse converted it (0.0 when the
    // section had none). False when the section does not exist.
    bool GetCorrectionFactor(int section, double& factor) const;

    int GetSectionCount() const;

private:
    using Section = std::map<std::string, std::u16string, std::less<>>;

    void ClearLocked();
    bool IsSectionLocked(int section) const;
    bool ScanLocked(std::string_view text);
    void ConvertCorrectionFactorsLocked();

    mutable std::mutex m_Mutex;
    std::vector<Section> m_Sections;
    std::vector<double> m_CorrectionFactors;
    int m_SectionCount = 0;
};

}  // namespace tarn

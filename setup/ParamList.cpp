#include "setup/ParamList.h"

#include "debug/QVDebug.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "setup/DecimalText.h"
#include "setup/SetupTextScanner.h"

#include <new>

namespace tarn {

namespace {

constexpr std::string_view kStartMarker = "[SETUP START]";
// The text as written starts with LF and "[SETUP START]"; offset 8 lies inside that marker, after
// its "[", so the marker is never taken for a section header.
constexpr std::size_t kScanStart = 8;
constexpr std::string_view kCorrectionFactor = "CorrectionFactor";

}  // namespace

CParamList::~CParamList() {
    try {
        Clear();
    } catch (...) {
        QV_TRACE("Assert", 1, "ERROR: exception caught in destructor");
    }
}

bool CParamList::Init(int count) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    ClearLocked();
    if (count < 1) return true;
    try {
        m_Sections.resize(static_cast<std::size_t>(count));
        m_CorrectionFactors.assign(static_cast<std::size_t>(count), 0.0);
    } catch (const std::bad_alloc&) {
        ClearLocked();
        return false;
    }
    m_SectionCount = count;
    return true;
}

void CParamList::Clear() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    ClearLocked();
}

void CParamList::ClearLocked() {
    // Swap out rather than clear() so the arrays themselves are freed too.
    std::vector<Section>().swap(m_Sections);
    std::vector<double>().swap(m_CorrectionFactors);
    m_SectionCount = 0;
}

bool CParamList::IsSectionLocked(int section) const {
    return section >= 0 && section < m_SectionCount;
}

int CParamList::GetSectionCount() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_SectionCount;
}

bool CParamList::ParseSetupSection(std::string_view text) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_SectionCount < 1) return false;
    text = text.substr(0, text.find('\0'));
    if (text.find(kStartMarker) == std::string_view::npos) return false;
    try {
        if (ScanLocked(text)) {
            ConvertCorrectionFactorsLocked();
            return true;
        }
    } catch (const std::bad_alloc&) {
        // Treated like a malformed text: a half-filled store is worse than an empty one.
    }
    ClearLocked();
    return false;
}

bool CParamList::ScanLocked(std::string_view text) {
    SetupTextScanner scanner(text, kScanStart);
    int currentSection = 0;
    for (;;) {
        switch (scanner.Next()) {
        case SetupTextScanner::Token::End:
            return true;
        case SetupTextScanner::Token::Malformed:
            return false;
        case SetupTextScanner::Token::ChannelHeader:
            // Headers must count 1, 2, 3, ... and stay within the file's channels.
            ++currentSection;
            if (scanner.ChannelNumber() != currentSection || currentSection >= m_SectionCount) {
                return false;
            }
            break;
        case SetupTextScanner::Token::Pair: {
            const std::string_view key = scanner.Key();
            Section& section = m_Sections[static_cast<std::size_t>(currentSection)];
            // Within the text the first occurrence of a key wins.
            if (!key.empty() && section.find(key) == section.end()) {
                section.emplace(std::string(key), platform::AnsiToWide(scanner.Value()));
            }
            break;
        }
        }
    }
}

void CParamList::ConvertCorrectionFactorsLocked() {
    const char16_t separator = platform::UserDecimalSeparator();
    for (std::size_t s = 0; s < m_Sections.size(); ++s) {
        double factor = 0.0;
        const auto entry = m_Sections[s].find(kCorrectionFactor);
        // A text the conversion rejects (an empty value, say) counts like a missing key: 0.0.
        // Opening must not fail because of one unreadable factor, so the parse still succeeds.
        if (entry != m_Sections[s].end() &&
            !DecimalTextToDouble(entry->second, separator, factor)) {
            factor = 0.0;
        }
        m_CorrectionFactors[s] = factor;
    }
}

void CParamList::GetParameter(int section, std::string_view key, VARIANT* value) const {
    if (value == nullptr) return;
    VariantClear(value);
    // VariantClear refuses a VARIANT of an invalid type; the result is still an empty one.
    VariantInit(value);

    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!IsSectionLocked(section)) return;
    const Section& entries = m_Sections[static_cast<std::size_t>(section)];
    const auto entry = entries.find(key);
    if (entry == entries.end()) return;
    BSTR copy = AllocBstr(entry->second);
    if (copy == nullptr) return;
    V_VT(value) = VT_BSTR;
    V_BSTR(value) = copy;
}

bool CParamList::SetParameter(int section, std::string_view key, std::string_view value) {
    try {
        std::u16string wide = platform::AnsiToWide(value);
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (!IsSectionLocked(section)) return false;
        Section& entries = m_Sections[static_cast<std::size_t>(section)];
        const auto entry = entries.find(key);
        if (entry != entries.end()) {
            entry->second = std::move(wide);
        } else {
            entries.emplace(std::string(key), std::move(wide));
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CParamList::GetCorrectionFactor(int section, double& factor) const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!IsSectionLocked(section)) return false;
    factor = m_CorrectionFactors[static_cast<std::size_t>(section)];
    return true;
}

}  // namespace tarn

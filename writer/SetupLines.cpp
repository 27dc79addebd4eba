#include "writer/SetupLines.h"

#include "platform/platform.h"

namespace tarn {

namespace {

std::u16string KeyLine(std::u16string_view key, std::u16string_view value) {
    std::u16string line;
    line.reserve(2 + key.size() + value.size());
    line += u'\n';
    line += key;
    line += u'=';
    line += value;
    return line;
}

}  // namespace

SetupLines::SetupLines(const SetupKey* keys, std::size_t count) : m_Keys(keys) {
    m_Lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) m_Lines.push_back(KeyLine(keys[i].name, keys[i].defaultValue));
}

void SetupLines::Set(std::u16string_view name, std::u16string_view value) {
    for (std::size_t i = 0; i < m_Lines.size(); ++i) {
        if (m_Keys[i].settable && m_Keys[i].name == name) {
            SetLine(i, value);
            return;
        }
    }
    m_ExtraLines += KeyLine(name, value);
}

void SetupLines::SetLine(std::size_t index, std::u16string_view value) {
    m_Lines[index] = KeyLine(m_Keys[index].name, value);
}

void SetupLines::AppendTo(std::string& text) const {
    for (const std::u16string& line : m_Lines) text += platform::WideToAnsi(line);
    text += platform::WideToAnsi(m_ExtraLines);
}

}  // namespace tarn

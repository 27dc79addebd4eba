// The lines one section of the setup text is written with: one line per known key, each starting
// as "\n<key>=<default>", in the order they are written, then the extra lines, which start as a
// lone line feed and grow by one line for every other name set. Lines are held as UTF-16 text and
// converted to the ANSI code page only when the text is written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

struct SetupKey {
    std::u16string_view name;
    std::u16string_view defaultValue;
    bool settable;  // a client may replace it; otherwise only the writer sets it
};

class SetupLines {
public:
    // keys: the known keys in written order; the table must outlive the lines.
    SetupLines(const SetupKey* keys, std::size_t count);

    // A settable known key (compared whole, case-sensitively) gets the line "\n<key>=<value>";
    // any other name adds the line "\n<name>=<value>" to the extra lines.
    void Set(std::u16string_view name, std::u16string_view value);
    // The line of the index-th known key becomes "\n<key>=<value>", settable or not.
    void SetLine(std::size_t index, std::u16string_view value);

    // The known lines in order, then the extra lines, in the ANSI code page.
    void AppendTo(std::string& text) const;

private:
    const SetupKey* m_Keys;
    std::vector<std::u16string> m_Lines;
    std::u16string m_ExtraLines = u"\n";
};

}  // namespace tarn

// Registration from a registry script: the text that lists the keys and values a module writes
// under a root key and removes again. The grammar (one form per line is usual, but only tokens
// count):
//     HKCR { <entries> }                         (also HKEY_CLASSES_ROOT, HKCU, HKEY_CURRENT_USER)
//     entry := [NoRemove | ForceRemove] name [= s 'text'] [{ <entries> }]
//            | val name = s 'text'
// A name is a bare word or a 'quoted' text; '' inside a quoted text is one quote. %NAME% in a
// text or a name is replaced by the value given for NAME.
// Registering creates every key and sets its default value and values; a ForceRemove key is
// deleted with its contents first. Unregistering deletes every key with its contents, except
// NoRemove keys, which are kept and searched for the entries inside them.
#pragma once

#include "compat/compat.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::component {

class Registrar {
public:
    void AddReplacement(std::u16string name, std::u16string value);

    // The script's entries are checked before anything is written: a script that does not
    // parse gives E_INVALIDARG. Otherwise the first failing registry call's code, else S_OK;
    // entries written before a failure stay.
    HRESULT Register(std::u16string_view script);
    HRESULT Unregister(std::u16string_view script);

    struct Entry {
        enum class Kind { Key, Value };
        enum class Flag { None, NoRemove, ForceRemove };
        Kind kind = Kind::Key;
        Flag flag = Flag::None;
        std::u16string name;
        bool hasValue = false;
        std::u16string value;
        std::vector<Entry> children;
    };
    struct Root {
        HKEY key;
        std::vector<Entry> entries;
    };

private:
    // The parsed script, replacements applied; false when it does not parse.
    bool Parse(std::u16string_view script, std::vector<Root>& roots) const;
    using EntriesAction = HRESULT (*)(HKEY parent, const std::vector<Entry>& entries);
    // Parses the whole script, then runs action on each root's entries; stops at a failure.
    HRESULT Apply(std::u16string_view script, EntriesAction action) const;

    std::map<std::u16string, std::u16string> m_Replacements;
};

}  // namespace tarn::component

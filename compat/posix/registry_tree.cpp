#include "compat/posix/registry_tree.h"

#include <algorithm>

#include "platform/Ascii.h"

namespace tarn::compat::registry {

std::vector<Key>::iterator Key::LowerBound(std::u16string_view name) {
    return std::lower_bound(m_Subkeys.begin(), m_Subkeys.end(), name, [](const Key& key, std::u16string_view wanted) {
        return platform::CompareIgnoringCase(key.m_Name, wanted) < 0;
    });
}

Key* Key::Find(std::u16string_view name) {
    const auto at = LowerBound(name);
    return at != m_Subkeys.end() && platform::EqualIgnoringCase(at->m_Name, name) ? &*at : nullptr;
}

Key& Key::Add(std::u16string_view name, bool& created) {
    const auto at = LowerBound(name);
    created = at == m_Subkeys.end() || !platform::EqualIgnoringCase(at->m_Name, name);
    return created ? *m_Subkeys.insert(at, Key(std::u16string(name))) : *at;
}

bool Key::Remove(std::u16string_view name) {
    const auto at = LowerBound(name);
    if (at == m_Subkeys.end() || !platform::EqualIgnoringCase(at->m_Name, name)) return false;
    m_Subkeys.erase(at);
    return true;
}

const std::string* Key::FindValue(std::u16string_view name) const {
    for (const Value& value : m_Values)
        if (platform::EqualIgnoringCase(value.m_Name, name)) return &value.m_Data;
    return nullptr;
}

bool Key::SetValue(std::u16string_view name, std::string_view data) {
    for (Value& value : m_Values) {
        if (!platform::EqualIgnoringCase(value.m_Name, name)) continue;
        if (value.m_Data == data) return false;
        value.m_Data.assign(data);
        return true;
    }
    m_Values.push_back(Value{std::u16string(name), std::string(data)});
    return true;
}

Tree::Tree() : m_Top(std::u16string()) {
    bool created = false;
    m_Top.Add(kClassesRoot, created);
    m_Top.Add(kCurrentUser, created);
}

Key* Tree::Find(const KeyPath& path) {
    Key* key = &m_Top;
    for (const std::u16string& name : path)
        if (!(key = key->Find(name))) return nullptr;
    return key;
}

}  // namespace tarn::compat::registry

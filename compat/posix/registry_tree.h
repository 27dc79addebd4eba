// The registry store in memory: keys with REG_SZ values, subkeys kept in Windows order (by name,
// ignoring case). Not part of the port surface.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::compat::registry {

constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;
constexpr std::size_t kMaxDepth = 512;   // keys below a root, the root not counted
constexpr std::size_t kMaxStoreBytes = 64u << 20;

struct Value {
    std::u16string m_Name;   // empty for the default value
    std::string m_Data;      // the bytes as set
};

class Key {
public:
    explicit Key(std::u16string name) : m_Name(std::move(name)) {}

    const std::u16string& Name() const { return m_Name; }
    const std::vector<Key>& Subkeys() const { return m_Subkeys; }
    const std::vector<Value>& Values() const { return m_Values; }

    Key* Find(std::u16string_view name);
    // The subkey of that name, added when missing (created tells which). References to other
    // subkeys of this key do not survive an addition.
    Key& Add(std::u16string_view name, bool& created);
    bool Remove(std::u16string_view name);

    const std::string* FindValue(std::u16string_view name) const;
    // False when the value already held these bytes.
    bool SetValue(std::u16string_view name, std::string_view data);

private:
    std::vector<Key>::iterator LowerBound(std::u16string_view name);

    std::u16string m_Name;
    std::vector<Value> m_Values;   // in the order they were first set, as Windows lists them
    std::vector<Key> m_Subkeys;
};

// A path from the store's top: the root's name first ("HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER").
using KeyPath = std::vector<std::u16string>;

class Tree {
public:
    static constexpr const char16_t* kClassesRoot = u"HKEY_CLASSES_ROOT";
    static constexpr const char16_t* kCurrentUser = u"HKEY_CURRENT_USER";

    Tree();
    // nullptr when a key on the way is missing.
    Key* Find(const KeyPath& path);
    // The unnamed top whose subkeys are the roots.
    Key& Top() { return m_Top; }
    const Key& Top() const { return m_Top; }

private:
    Key m_Top;
};

}  // namespace tarn::compat::registry

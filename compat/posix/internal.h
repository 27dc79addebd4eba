// Helpers shared by the POSIX implementation files; not part of the port surface.
#pragma once

#include "compat/posix/com.h"

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tarn::compat {

// A NUL-terminated caller text of at most limit characters into text; false when it is longer
// (nothing past limit + 1 characters is read) or null.
inline bool ReadBoundedText(const OLECHAR* source, std::size_t limit, std::u16string& text) {
    text.clear();
    if (!source) return false;
    for (std::size_t i = 0; source[i] != 0; ++i) {
        if (i == limit) return false;
        text.push_back(source[i]);
    }
    return true;
}

// Bytes that one value of a base type (no VT_ARRAY/VT_BYREF bits) takes in an array element or
// behind a VT_BYREF pointer; 0 for types this implementation does not store.
UINT ValueSize(VARTYPE base);

// A VARTYPE that Windows accepts in a VARIANT (the base type and the VT_ARRAY/VT_BYREF bits).
bool IsValidVariantType(VARTYPE vt);

// A copy of the same length; null stays null. False when out of memory.
bool CopyBstr(BSTR source, BSTR& copy);

// A copy of a one-dimensional array (VariantCopy's deep copy); null stays null.
HRESULT CopyArray(SAFEARRAY* source, SAFEARRAY*& copy);

// Handles handed out as opaque pointers: numbers that are never used twice, so that a stale
// handle finds nothing rather than another object. Not locked: its owner locks.
template <typename Value>
class HandleMap {
public:
    explicit HandleMap(std::uintptr_t first) : m_Next(first) {}

    std::uintptr_t Add(Value value) {
        const std::uintptr_t handle = m_Next;
        m_Values.emplace(handle, std::move(value));
        m_Next += 4;
        return handle;
    }
    Value* Find(std::uintptr_t handle) {
        const auto found = m_Values.find(handle);
        return found == m_Values.end() ? nullptr : &found->second;
    }
    bool Erase(std::uintptr_t handle) { return m_Values.erase(handle) != 0; }
    template <typename Predicate>
    void EraseIf(Predicate predicate) {
        for (auto it = m_Values.begin(); it != m_Values.end();)
            it = predicate(it->second) ? m_Values.erase(it) : std::next(it);
    }
    template <typename Predicate>
    bool Any(Predicate predicate) const {
        for (const auto& entry : m_Values)
            if (predicate(entry.second)) return true;
        return false;
    }

private:
    std::unordered_map<std::uintptr_t, Value> m_Values;
    std::uintptr_t m_Next;
};

}  // namespace tarn::compat

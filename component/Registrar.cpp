#include "component/Registrar.h"

#include <cstdint>

namespace tarn::component {

namespace {

LPCWSTR Wide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

HRESULT FromWin32(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Splits the script into tokens: braces, '=', bare words and quoted texts.
class Tokens {
public:
    explicit Tokens(std::u16string_view text) : m_Text(text) {}

    // The next token into token (quoted tells whether it was a quoted text); false at the end
    // or on an unterminated quote (then Failed()).
    bool Next(std::u16string& token, bool& quoted) {
        while (m_Pos < m_Text.size() && IsSpace(m_Text[m_Pos])) ++m_Pos;
        if (m_Pos >= m_Text.size()) return false;
        token.clear();
        quoted = false;
        const char16_t c = m_Text[m_Pos];
        if (c == u'{' && m_Pos + 1 < m_Text.size() && !IsSpace(m_Text[m_Pos + 1]) && m_Text[m_Pos + 1] != u'}') {
            // A braced name such as a GUID: up to and including its closing brace.
            const std::size_t close = m_Text.find(u'}', m_Pos);
            if (close == std::u16string_view::npos) {
                m_Failed = true;
                return false;
            }
            token = m_Text.substr(m_Pos, close + 1 - m_Pos);
            m_Pos = close + 1;
            return true;
        }
        if (c == u'{' || c == u'}' || c == u'=') {
            token = c;
            ++m_Pos;
            return true;
        }
        if (c == u'\'') {
            quoted = true;
            for (++m_Pos; m_Pos < m_Text.size(); ++m_Pos) {
                if (m_Text[m_Pos] != u'\'') {
                    token += m_Text[m_Pos];
                } else if (m_Pos + 1 < m_Text.size() && m_Text[m_Pos + 1] == u'\'') {
                    token += u'\'';
                    ++m_Pos;
                } else {
                    ++m_Pos;
                    return true;
                }
            }
            m_Failed = true;
            return false;
        }
        while (m_Pos < m_Text.size() && !IsSpace(m_Text[m_Pos]) && m_Text[m_Pos] != u'{' &&
               m_Text[m_Pos] != u'}' && m_Text[m_Pos] != u'=' && m_Text[m_Pos] != u'\'') {
            token += m_Text[m_Pos++];
        }
        return true;
    }
    bool Failed() const { return m_Failed; }

private:
    static bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

    std::u16string_view m_Text;
    std::size_t m_Pos = 0;
    bool m_Failed = false;
};

// A recursive-descent parser over Tokens with one token of look-ahead.
class Parser {
public:
    Parser(std::u16string_view text, const std::map<std::u16string, std::u16string>& replacements)
        : m_Tokens(text), m_Replacements(replacements) {
        Advance();
    }

    bool Roots(std::vector<Registrar::Root>& roots) {
        while (m_Have) {
            HKEY key = nullptr;
            if (m_Quoted || !RootKey(m_Token, key)) return false;
            Advance();
            Registrar::Root root{key, {}};
            if (!Expect(u"{") || !Entries(root.entries, 0) || !Expect(u"}")) return false;
            roots.push_back(std::move(root));
        }
        return !m_Tokens.Failed();
    }

private:
    // Scripts nest a few levels; a bound keeps a hostile one from exhausting the stack.
    static constexpr int kMaxDepth = 32;

    static bool RootKey(const std::u16string& name, HKEY& key) {
        if (EqualsNoCase(name, u"HKCR") || EqualsNoCase(name, u"HKEY_CLASSES_ROOT")) {
            key = HKEY_CLASSES_ROOT;
        } else if (EqualsNoCase(name, u"HKCU") || EqualsNoCase(name, u"HKEY_CURRENT_USER")) {
            key = HKEY_CURRENT_USER;
        } else {
            return false;
        }
        return true;
    }

    bool Entries(std::vector<Registrar::Entry>& entries, int depth) {
        if (depth > kMaxDepth) return false;
        while (m_Have && !(IsSymbol(u"}"))) {
            Registrar::Entry entry;
            if (!EntryAt(entry, depth)) return false;
            entries.push_back(std::move(entry));
        }
        return true;
    }

    bool EntryAt(Registrar::Entry& entry, int depth) {
        using Entry = Registrar::Entry;
        if (!m_Quoted && EqualsNoCase(m_Token, u"val")) {
            entry.kind = Entry::Kind::Value;
            Advance();
            entry.hasValue = true;
            return Name(entry.name) && Expect(u"=") && Text(entry.value);
        }
        if (!m_Quoted && EqualsNoCase(m_Token, u"NoRemove")) {
            entry.flag = Entry::Flag::NoRemove;
            Advance();
        } else if (!m_Quoted && EqualsNoCase(m_Token, u"ForceRemove")) {
            entry.flag = Entry::Flag::ForceRemove;
            Advance();
        }
        if (!Name(entry.name)) return false;
        if (IsSymbol(u"=")) {
            Advance();
            if (!Text(entry.value)) return false;
            entry.hasValue = true;
        }
        if (IsSymbol(u"{")) {
            Advance();
            if (!Entries(entry.children, depth + 1) || !Expect(u"}")) return false;
        }
        return true;
    }

    bool Name(std::u16string& name) {
        if (!m_Have || (!m_Quoted && (IsSymbol(u"{") || IsSymbol(u"}") || IsSymbol(u"=")))) return false;
        name = Replace(m_Token);
        Advance();
        return !name.empty();
    }

    // s 'text': the only value type a script here uses.
    bool Text(std::u16string& value) {
        if (!m_Have || m_Quoted || !EqualsNoCase(m_Token, u"s")) return false;
        Advance();
        if (!m_Have || !m_Quoted) return false;
        value = Replace(m_Token);
        Advance();
        return true;
    }

    std::u16string Replace(const std::u16string& text) const {
        std::u16string result;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const std::size_t end = text[i] == u'%' ? text.find(u'%', i + 1) : std::u16string::npos;
            if (end == std::u16string::npos) {
                result += text[i];
                continue;
            }
            const auto found = m_Replacements.find(text.substr(i + 1, end - i - 1));
            if (found == m_Replacements.end()) {
                result += text[i];
                continue;
            }
            result += found->second;
            i = end;
        }
        return result;
    }

    bool IsSymbol(const char16_t* symbol) const { return m_Have && !m_Quoted && m_Token == symbol; }
    bool Expect(const char16_t* symbol) {
        if (!IsSymbol(symbol)) return false;
        Advance();
        return true;
    }
    void Advance() { m_Have = m_Tokens.Next(m_Token, m_Quoted); }

    Tokens m_Tokens;
    const std::map<std::u16string, std::u16string>& m_Replacements;
    std::u16string m_Token;
    bool m_Quoted = false;
    bool m_Have = false;
};

HRESULT SetText(HKEY key, const std::u16string& name, const std::u16string& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
    return FromWin32(RegSetValueExW(key, name.empty() ? nullptr : Wide(name), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()), bytes));
}

// Deletes a key with everything below it; a key that is not there is no failure.
HRESULT DeleteKey(HKEY parent, const std::u16string& name) {
    LONG status = RegDeleteTreeW(parent, Wide(name));
    if (status == ERROR_SUCCESS) status = RegDeleteKeyW(parent, Wide(name));
    return status == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(status);
}

HRESULT RegisterEntries(HKEY parent, const std::vector<Registrar::Entry>& entries) {
    using Entry = Registrar::Entry;
    for (const Entry& entry : entries) {
        HRESULT hr = S_OK;
        if (entry.kind == Entry::Kind::Value) {
            hr = SetText(parent, entry.name, entry.value);
            if (FAILED(hr)) return hr;
            continue;
        }
        if (entry.flag == Entry::Flag::ForceRemove) {
            hr = DeleteKey(parent, entry.name);
            if (FAILED(hr)) return hr;
        }
        HKEY key = nullptr;
        hr = FromWin32(RegCreateKeyExW(parent, Wide(entry.name), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &key, nullptr));
        if (FAILED(hr)) return hr;
        if (entry.hasValue) hr = SetText(key, std::u16string(), entry.value);
        if (SUCCEEDED(hr)) hr = RegisterEntries(key, entry.children);
        RegCloseKey(key);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterEntries(HKEY parent, const std::vector<Registrar::Entry>& entries) {
    using Entry = Registrar::Entry;
    for (const Entry& entry : entries) {
        if (entry.kind == Entry::Kind::Value) continue;   // goes with its key
        if (entry.flag != Entry::Flag::NoRemove) {
            const HRESULT hr = DeleteKey(parent, entry.name);
            if (FAILED(hr)) return hr;
            continue;
        }
        HKEY key = nullptr;
        const LONG status = RegOpenKeyExW(parent, Wide(entry.name), 0, KEY_ALL_ACCESS, &key);
        if (status == ERROR_FILE_NOT_FOUND) continue;
        if (status != ERROR_SUCCESS) return FromWin32(status);
        const HRESULT hr = UnregisterEntries(key, entry.children);
        RegCloseKey(key);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

void Registrar::AddReplacement(std::u16string name, std::u16string value) {
    m_Replacements[std::move(name)] = std::move(value);
}

bool Registrar::Parse(std::u16string_view script, std::vector<Root>& roots) const {
    roots.clear();
    return Parser(script, m_Replacements).Roots(roots);
}

HRESULT Registrar::Register(std::u16string_view script) { return Apply(script, &RegisterEntries); }

HRESULT Registrar::Unregister(std::u16string_view script) { return Apply(script, &UnregisterEntries); }

HRESULT Registrar::Apply(std::u16string_view script, EntriesAction action) const {
    std::vector<Root> roots;
    if (!Parse(script, roots)) return E_INVALIDARG;
    for (const Root& root : roots) {
        const HRESULT hr = action(root.key, root.entries);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace tarn::component

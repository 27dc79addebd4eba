#include "compat/posix/registry_text.h"

#include <algorithm>
#include <cstdint>

#include "platform/Ascii.h"

namespace tarn::compat::registry {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void AppendHex(unsigned value, int digits, std::string& out) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

std::string Escape(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else if (c < 0x20 || c == 0x7F || c == u'%' || c == u'"' || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            out += '%';
            AppendHex(c, 4, out);
        } else {
            AppendUtf8(c, out);
        }
    }
    return out;
}

// One UTF-8 sequence at text[at], strictly (no overlong forms, surrogates or values past U+10FFFF).
bool DecodeUtf8(std::string_view text, std::size_t& at, char32_t& c) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size()) return false;
    c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return false;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    at += length;
    return true;
}

bool Unescape(std::string_view text, std::u16string& out) {
    out.clear();
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        if (text[at] == '%') {
            std::uint32_t unit = 0;
            if (text.size() - at < 5 || !platform::ParseHex(text.substr(at + 1, 4), unit)) return false;
            out += char16_t(unit);
            at += 5;
        } else if (!DecodeUtf8(text, at, c)) {
            return false;
        } else if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return true;
}

// '"'-quoted text at the start of rest; rest keeps what follows the closing quote.
bool TakeQuoted(std::string_view& rest, std::u16string& text) {
    if (rest.empty() || rest[0] != '"') return false;
    const std::size_t close = rest.find('"', 1);
    if (close == std::string_view::npos || !Unescape(rest.substr(1, close - 1), text)) return false;
    rest.remove_prefix(close + 1);
    return true;
}

std::u16string UnitsOf(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(static_cast<unsigned char>(bytes[2 * i]) | static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return units;
}

void AppendBytes(std::u16string_view units, std::string& bytes) {
    for (const char16_t unit : units) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
}

std::string FormatData(std::string_view data) {
    const bool terminated = data.size() % 2 == 0 && data.size() >= 2 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0;
    const std::u16string units = UnitsOf(terminated ? data.substr(0, data.size() - 2) : data);
    std::string out = '"' + Escape(units) + '"';
    if (terminated) return out;
    out += '!';
    if (data.size() % 2 != 0) AppendHex(static_cast<unsigned char>(data.back()), 2, out);
    return out;
}

bool ParseData(std::string_view rest, std::string& data) {
    std::u16string units;
    if (!TakeQuoted(rest, units)) return false;
    data.clear();
    AppendBytes(units, data);
    if (rest.empty()) {
        data.append(2, '\0');
        return true;
    }
    if (rest[0] != '!') return false;
    rest.remove_prefix(1);
    std::uint32_t last = 0;
    if (rest.empty()) return true;
    if (rest.size() != 2 || !platform::ParseHex(rest, last)) return false;
    data += char(last);
    return true;
}

bool ParseSection(std::string_view path, Tree& tree, Key*& key) {
    key = &tree.Top();
    std::size_t depth = 0;
    for (std::size_t start = 0;; ++depth) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        std::u16string name;
        if (!Unescape(path.substr(start, end - start), name) || name.empty() || name.size() > kMaxKeyName ||
            depth > kMaxDepth)
            return false;
        bool created = false;
        if (depth == 0) {
            if (!(key = key->Find(name))) return false;   // the roots are fixed
        } else {
            key = &key->Add(name, created);
        }
        if (end == path.size()) return true;
        start = end + 1;
    }
}

bool ParseValue(std::string_view line, Key& key) {
    std::u16string name;
    if (line[0] == '@') {
        line.remove_prefix(1);
    } else if (!TakeQuoted(line, name) || name.size() > kMaxValueName) {
        return false;
    }
    std::string data;
    if (line.empty() || line[0] != '=' || !ParseData(line.substr(1), data)) return false;
    key.SetValue(name, data);
    return true;
}

void FormatKey(const Key& key, const std::string& path, bool root, std::string& out) {
    if (!root || !key.Values().empty()) out += '[' + path + "]\n";
    for (const Value& value : key.Values())
        out += (value.m_Name.empty() ? std::string("@") : '"' + Escape(value.m_Name) + '"') + '=' + FormatData(value.m_Data) + '\n';
    for (const Key& subkey : key.Subkeys()) FormatKey(subkey, path + '\\' + Escape(subkey.Name()), false, out);
}

}  // namespace

bool ParseStore(std::string_view text, Tree& tree) {
    if (text.empty()) return true;   // an empty file is an empty store
    Key* key = nullptr;
    bool header = true;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (header) {
            if (line != kStoreHeader) return false;
            header = false;
        } else if (line.empty() || line[0] == ';') {
            continue;
        } else if (line[0] == '[') {
            if (line.size() < 2 || line.back() != ']' || !ParseSection(line.substr(1, line.size() - 2), tree, key))
                return false;
        } else if (!key || !ParseValue(line, *key)) {
            return false;
        }
    }
    return !header;
}

std::string FormatStore(const Tree& tree) {
    std::string out(kStoreHeader);
    out += '\n';
    for (const Key& root : tree.Top().Subkeys()) FormatKey(root, Escape(root.Name()), true, out);
    return out;
}

}  // namespace tarn::compat::registry

#include "debug/FunctionName.h"

namespace tarn::QVDebug::Detail {
namespace {

constexpr std::string_view kOperator = "operator";
constexpr auto npos = std::string_view::npos;

bool IsIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Position of the bracket that opens the group closed by s[close], scanning backwards.
std::size_t MatchingOpen(std::string_view s, std::size_t close, char open, char closing) {
    int depth = 0;
    for (std::size_t i = close + 1; i-- > 0;) {
        if (s[i] == closing) {
            ++depth;
        } else if (s[i] == open && --depth == 0) {
            return i;
        }
    }
    return npos;
}

// Drops a trailing template-argument note: " [with T = int]" (g++) or " [T = int]" (clang).
std::string_view WithoutTemplateNote(std::string_view s) {
    if (s.empty() || s.back() != ']') return s;
    const std::size_t open = MatchingOpen(s, s.size() - 1, '[', ']');
    if (open == npos) return s;
    s = s.substr(0, open);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// End of the name: the parameter list's '('. A signature ending in '>' is a g++ lambda
// ("f()::<lambda(int)>"), which has no parameter list of its own.
std::size_t NameEnd(std::string_view s) {
    if (s.empty() || s.back() == '>') return s.size();
    const std::size_t close = s.rfind(')');
    if (close == npos) return s.size();
    const std::size_t open = MatchingOpen(s, close, '(', ')');
    return open == npos ? s.size() : open;
}

// Start of an "operator" word inside the name, whose punctuation ("operator<", "operator()")
// must not be read as brackets; npos when the name is no operator.
std::size_t OperatorStart(std::string_view name) {
    for (std::size_t at = name.rfind(kOperator); at != npos;
         at = at == 0 ? npos : name.rfind(kOperator, at - 1)) {
        const std::size_t end = at + kOperator.size();
        const bool wordStart = at == 0 || !IsIdentifierChar(name[at - 1]);
        const bool wordEnd = end == name.size() || !IsIdentifierChar(name[end]);
        if (wordStart && wordEnd) return at;
    }
    return npos;
}

// Start of the name: after the return type, which ends at a blank, '*' or '&' outside brackets
// (clang writes "int *ns::f()").
std::size_t NameStart(std::string_view name) {
    const std::size_t op = OperatorStart(name);
    std::size_t i = op == npos ? name.size() : op;
    int depth = 0;
    for (; i > 0; --i) {
        const char c = name[i - 1];
        if (c == '>' || c == ')') {
            ++depth;
        } else if (c == '<' || c == '(') {
            if (depth > 0) --depth;
        } else if (depth == 0 && (c == ' ' || c == '*' || c == '&')) {
            break;
        }
    }
    return i;
}

// The name without its leading namespaces: the project spells namespaces in lower case (tarn,
// tarn::component, ...) and types in Pascal case, so the leading components in lower case and
// the compilers' anonymous namespaces go, and the class (QVDebug included) stays.
std::string_view WithoutNamespaces(std::string_view name) {
    for (;;) {
        std::size_t end = 0;
        if (name.rfind("{anonymous}::", 0) == 0 || name.rfind("(anonymous namespace)::", 0) == 0) {
            end = name.find("::");
        } else if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
            while (end < name.size() && IsIdentifierChar(name[end])) ++end;
            if (name.substr(end, 2) != "::") return name;
        } else {
            return name;
        }
        name.remove_prefix(end + 2);
    }
}

}  // namespace

std::string_view QualifiedFunctionName(std::string_view signature) {
    const std::string_view s = WithoutTemplateNote(signature);
    const std::string_view name = s.substr(0, NameEnd(s));
    return WithoutNamespaces(name.substr(NameStart(name)));
}

}  // namespace tarn::QVDebug::Detail

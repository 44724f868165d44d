#include "common/text.h"

#include <algorithm>

namespace text {

void CopyToField(std::string& field, std::string_view value, std::size_t width) {
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    const std::size_t keep = width == 0 ? 0 : std::min(value.size(), width - 1);
    field.assign(value.data(), keep);
}

static char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
static char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string Upper(std::string_view value) {
    std::string out(value);
    for (char& c : out) c = UpperChar(c);
    return out;
}

std::string Lower(std::string_view value) {
    std::string out(value);
    for (char& c : out) c = LowerChar(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    }
    return true;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    return Lower(haystack).find(Lower(needle)) != std::string::npos;
}

bool Contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

bool StartsWith(std::string_view value, std::string_view prefix) {
    return value.substr(0, prefix.size()) == prefix;
}

std::string TrimTrailingBlanks(std::string_view value) {
    std::size_t end = value.size();
    while (end > 0 && value[end - 1] == ' ') --end;
    return std::string(value.substr(0, end));
}

std::string Decimal(std::int64_t value) { return std::to_string(value); }

std::string JoinPath(std::string_view directory, std::string_view name) {
    std::string out(directory);
    if (!out.empty() && out.back() != '\\') out += '\\';
    out += name;
    return out;
}

std::string QuoteIfBlank(std::string_view path) {
    if (path.find(' ') == std::string_view::npos) return std::string(path);
    return "\"" + std::string(path) + "\"";
}

}  // namespace text

// Small text helpers shared by every subsystem: fixed-width fields, case-insensitive comparison,
// bounded searches. Nothing here reads past the end of a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Stores value into a field of the given width in bytes, NUL included: at most width - 1
// characters are kept, and the value ends at its first NUL as a C string would.
void CopyToField(std::string& field, std::string_view value, std::size_t width);

// ASCII case folding and comparisons of whole texts.
std::string Upper(std::string_view value);
std::string Lower(std::string_view value);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Case-insensitive substring test.
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
bool Contains(std::string_view haystack, std::string_view needle);
bool StartsWith(std::string_view value, std::string_view prefix);

// Removes trailing blanks (' ') only.
std::string TrimTrailingBlanks(std::string_view value);

// Printable ASCII (0x20..0x7E) and the C locale's whitespace set.
inline bool IsPrintable(unsigned char c) { return c >= 0x20 && c <= 0x7E; }
inline bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Decimal text of an integer.
std::string Decimal(std::int64_t value);

// A path with a backslash between directory and name (the directory may already end in one).
std::string JoinPath(std::string_view directory, std::string_view name);

// Quotes a path for a command line or a Run value when it holds a blank.
std::string QuoteIfBlank(std::string_view path);

}  // namespace text

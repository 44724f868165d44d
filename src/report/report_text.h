// Texts of the disk-mode report: capacity helpers and the report's lines.
#pragma once

#include <string>
#include <string_view>

namespace report {

// A capacity given as the decimal digits of a byte count, shortened by digit count to a number
// with a decimal unit ("B", "KB", "MB", "GB", "TB"). A number of one character gets ".0". Digits
// beyond the shown ones are dropped (truncation). A text of more than 15 characters stays whole and
// leaves the unit as it was.
std::string SplitCapacity(std::string_view text, std::string& unit);

// The text cut into groups of three characters counted from its end, joined with ",".
std::string GroupThousands(std::string_view text);

// A value made safe for the report: "&", "<", ">" escaped; control characters, DEL and bytes that
// are not part of a well-formed UTF-8 sequence (or that encode a character XML does not allow) are
// left out. Everything else stays byte for byte.
std::string XmlValue(std::string_view value);

}  // namespace report

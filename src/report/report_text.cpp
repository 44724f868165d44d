#include "report/report_text.h"

#include <cstdint>

namespace report {

std::string SplitCapacity(std::string_view text, std::string& unit) {
    const std::size_t n = text.size();
    std::size_t shown = n;
    if (n <= 3) {
        unit = "B";
    } else if (n <= 6) {
        unit = "KB";
        shown = n - 3;
    } else if (n <= 9) {
        unit = "MB";
        shown = n - 6;
    } else if (n <= 12) {
        unit = "GB";
        shown = n - 9;
    } else if (n <= 15) {
        unit = "TB";
        shown = n - 12;
    } else {
        // Beyond the largest unit the number stays whole and the unit is left as it was.
        return std::string(text);
    }
    std::string number(text.substr(0, shown));
    if (number.size() < 2) number += ".0";
    return number;
}

std::string GroupThousands(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 3);
    const std::size_t first = text.size() % 3;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 0 && (i - first) % 3 == 0) out += ',';
        out += text[i];
    }
    return out;
}

namespace {

// Length of the well-formed UTF-8 sequence at value[i] for a character XML allows, or 0.
std::size_t Utf8SequenceLength(std::string_view value, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(value[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > value.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char c = byte(i + k);
        if ((c & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (c & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool notCharacter = code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
    return (overlong || surrogate || notCharacter) ? 0 : length;
}

}  // namespace

std::string XmlValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    std::size_t i = 0;
    while (i < value.size()) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x80) {
            if (c == '&') {
                out += "&amp;";
            } else if (c == '<') {
                out += "&lt;";
            } else if (c == '>') {
                out += "&gt;";
            } else if (c >= 0x20 && c != 0x7F) {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(value, i);
        if (length == 0) {
            ++i;  // a stray byte: left out
            continue;
        }
        out.append(value.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace report

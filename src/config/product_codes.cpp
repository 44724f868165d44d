#include "config/product_codes.h"

#include <algorithm>

bool IsProductCodeChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '{' || c == '-' || c == '}';
}

namespace {

bool IsDigitChar(char c) {
    return c >= '0' && c <= '9';
}

// Reads one list. A list ends where the next marker of either kind begins, so that a list that
// announces more codes than it holds cannot borrow the digits of the other list's marker and
// count as codes. Returns an empty text when the list is usable, else the reason.
std::string ParseList(std::string_view text, std::string_view marker, ProductCodeList* list) {
    const std::size_t markerAt = text.find(marker);
    if (markerAt == std::string_view::npos) return {};  // no such list: nothing to remove from it
    list->markerFound = true;

    std::size_t pos = markerAt + marker.size();
    std::size_t announced = 0;
    bool tooMany = false;
    const std::size_t countStart = pos;
    while (pos < text.size() && IsDigitChar(text[pos])) {
        announced = announced * 10 + static_cast<std::size_t>(text[pos] - '0');
        if (announced > kMaxProductCodes) tooMany = true;
        if (tooMany) announced = kMaxProductCodes + 1;  // stays bounded however long the run
        ++pos;
    }
    const std::string_view count = text.substr(countStart, pos - countStart);
    list->countText.assign(count.substr(0, std::min<std::size_t>(count.size(), 20)));
    if (tooMany) {
        return "the list " + std::string(marker) + " announces " + list->countText +
               " codes, more than the " + std::to_string(kMaxProductCodes) + " a list can hold";
    }

    const std::size_t nextMarker = std::min(text.find(kMarker64, pos), text.find(kMarker32, pos));
    const std::size_t end = std::min(nextMarker, text.size());
    while (list->codes.size() < announced) {
        while (pos < end && !IsProductCodeChar(text[pos])) ++pos;
        if (pos >= end) {
            return "the list " + std::string(marker) + " announces " + list->countText +
                   " codes but holds only " + std::to_string(list->codes.size());
        }
        const std::size_t start = pos;
        while (pos < end && IsProductCodeChar(text[pos])) ++pos;
        const std::string_view code = text.substr(start, pos - start);
        if (code.size() > kMaxProductCodeLength) {
            return "the list " + std::string(marker) + " holds a code of " +
                   std::to_string(code.size()) + " characters, more than " +
                   std::to_string(kMaxProductCodeLength) + ": " +
                   std::string(code.substr(0, kMaxProductCodeLength)) + "...";
        }
        list->codes.emplace_back(code);
    }
    return {};
}

}  // namespace

ProductCodeFile ParseProductCodes(std::string_view text) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);

    ProductCodeFile file;
    std::string fault = ParseList(text, kMarker64, &file.list64);
    if (fault.empty()) fault = ParseList(text, kMarker32, &file.list32);
    if (fault.empty() && !file.list64.markerFound && !file.list32.markerFound) {
        fault = text.empty() ? "the file is empty"
                             : "the file holds neither a \"[64]=\" nor a \"[32]=\" list";
    }
    if (!fault.empty()) {
        file.list64.codes.clear();
        file.list32.codes.clear();
        file.fault = std::move(fault);
    }
    return file;
}

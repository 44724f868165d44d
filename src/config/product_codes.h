// The product-code file "GUID.txt" beside the program: the two lists of Windows Installer product
// codes that the IRST removal hands to msiexec, one list for 64-bit and one for 32-bit Windows.
//
// Layout: the marker "[64]=" directly followed by a decimal count N, then N codes; the same with
// "[32]=". A code is a run of 'A'-'Z', '0'-'9', '{', '-', '}'; every other byte separates codes
// (so lower-case letters split a code). The text ends at its first NUL byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kMaxProductCodes = 50;       // codes per list
inline constexpr std::size_t kMaxProductCodeLength = 49;  // characters per code

inline constexpr std::string_view kMarker64 = "[64]=";
inline constexpr std::string_view kMarker32 = "[32]=";

struct ProductCodeList {
    bool markerFound = false;
    // The count as written after the marker ("" when no digit stands there).
    std::string countText;
    std::vector<std::string> codes;
};

struct ProductCodeFile {
    ProductCodeList list64;
    ProductCodeList list32;
    // Empty when the file is well-formed; otherwise why it cannot be used. A faulty file yields
    // no codes at all, so that nothing is started from it.
    std::string fault;
};

// Parses the whole file text. Never reads outside the text; linear in its length.
ProductCodeFile ParseProductCodes(std::string_view text);

// True for the bytes that make up a product code.
bool IsProductCodeChar(char c);

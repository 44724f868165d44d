// Decoding of the command line into one operation request.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct OperationRequest {
    int operation = 0;
    int nParam1 = 0;
    int nParam2 = 0;
    int nParam3 = 0;
    std::string pszText = "0";
    int nParam4 = 0;
    int nParam5 = 0;
    // "-func10 ": whether the fifth number (the diskpart number of the SSD to wipe) was given.
    bool param5Given = false;
};

// Recognises the switch and cuts out its fields. No switch: nullopt. A command line that is
// malformed for its switch (too short, or a field of 20 or more characters) raises Refusal.
std::optional<OperationRequest> ParseCommandLine(std::string_view commandLine);

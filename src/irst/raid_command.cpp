#include "common/refusal.h"
#include "common/text.h"
#include "irst/raid.h"
#include "irst/rst_tables.h"
#include "irst/rstcli_command.h"

namespace {

constexpr std::string_view kNameToken = " -n VolumeWithData ";

// The end of the run of digits that begins at start (start itself when there is none).
std::size_t DigitRunEnd(std::string_view text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && text::IsDigit(static_cast<unsigned char>(text[end]))) ++end;
    return end;
}

// A disk id in one of the 0-a-b-c places: the port stands in the place that the form names.
std::string PortInPlace(std::string_view port, int form) {
    std::string id = "0-0-0-0";
    const std::size_t place = static_cast<std::size_t>(form) * 2;
    id.replace(place, 1, port);
    return id;
}

// The disk token for a port and its form text: release 152 places the port by its form (1, 2
// or 3, anything else is refused); every other release puts it in the first place.
std::string PortToken(int release, std::string_view port, std::string_view formText,
                      const char* which) {
    if (release != 152) return PortInPlace(port, 1);
    const int form = irst::FormNumber(formText);
    if (form < 1 || form > 3) {
        throw Refusal(std::string("the ") + which + " disk's port form \"" + std::string(formText) +
                      "\" is not 1, 2 or 3");
    }
    return PortInPlace(port, form);
}

// A disk id that is put into the command as one word: not empty and without a blank.
std::string_view OneWordId(std::string_view id, const char* which) {
    if (id.empty()) throw Refusal(std::string("the argument names no ") + which + " disk");
    if (id.find(' ') != std::string_view::npos) {
        throw Refusal(std::string("the ") + which + " disk id \"" + std::string(id) +
                      "\" holds a blank");
    }
    return id;
}

std::string FullIdDisks(int raidLevel, std::string_view argument) {
    const std::size_t underscore = argument.find('_');
    if (underscore == std::string_view::npos) {
        throw Refusal("the argument has no \"_\" after the first disk id");
    }
    std::string command(OneWordId(argument.substr(0, underscore), "first"));
    command += kNameToken;
    if (raidLevel == 0) {
        // "_" is followed by one character of its own, then the further ids separated by ",".
        if (underscore + 1 >= argument.size()) {
            throw Refusal("the argument ends at the \"_\" after the first disk id");
        }
        for (char c : argument.substr(underscore + 2)) command += c == ',' ? ' ' : c;
    } else {
        // The second disk is the text after "_" up to the first ",". A caller that writes both
        // levels alike puts the one separator character of the RAID 0 form after "_"
        // ("0-1-0-0_,0-2-0-0"): then the second disk is what follows that separator.
        std::string_view rest = argument.substr(underscore + 1);
        if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
        command += OneWordId(rest.substr(0, rest.find(',')), "second");
    }
    return command;
}

std::string PortDisks(int raidLevel, int release, std::string_view argument) {
    const std::size_t portEnd = DigitRunEnd(argument, 0);
    if (portEnd >= argument.size()) {
        throw Refusal("the argument ends after the first port, before its port form");
    }
    const std::size_t formEnd = DigitRunEnd(argument, portEnd + 1);
    std::string command = PortToken(release, argument.substr(0, portEnd),
                                    argument.substr(portEnd + 1, formEnd - portEnd - 1), "first");
    command += kNameToken;

    std::size_t start = formEnd + 1;
    if (raidLevel == 0) {
        while (start <= argument.size()) {
            const std::size_t end = DigitRunEnd(argument, start);
            if (end >= argument.size()) {
                throw Refusal("a further disk at position " + std::to_string(start) +
                              " has no port form");
            }
            const std::size_t furtherFormEnd = DigitRunEnd(argument, end + 1);
            command += PortToken(release, argument.substr(start, end - start),
                                 argument.substr(end + 1, furtherFormEnd - end - 1), "further");
            command += ' ';
            start = furtherFormEnd + 1;
        }
    } else {
        if (start > argument.size()) throw Refusal("the argument names no second disk");
        const std::string_view rest = argument.substr(start);
        const std::string_view port = OneWordId(rest.substr(0, rest.find(',')), "second");
        command += release == 152 ? PortInPlace(port, 2) : PortInPlace(port, 1);
    }
    return command;
}

}  // namespace

std::string BuildRaidCreateCommand(int raidLevel, int release, std::string_view argument) {
    if (raidLevel != 0 && raidLevel != 1) {
        throw Refusal("RAID level " + std::to_string(raidLevel) + " is not 0 or 1");
    }
    if (argument.size() > kRaidArgumentLimit) {
        throw Refusal("the argument \"" + std::string(argument) + "\" is longer than " +
                      std::to_string(kRaidArgumentLimit) + " characters");
    }
    irst::RequireCommandSafe(argument, "the argument");
    std::string command = raidLevel == 0 ? " -C -l 0 -E " : " -C -l 1 -E ";
    command += irst::IsFullIdRelease(release) ? FullIdDisks(raidLevel, argument)
                                              : PortDisks(raidLevel, release, argument);
    return command;
}

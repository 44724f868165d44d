// What the create and acceleration commands share: checks on texts that go into an rstcli command
// line, and starting rstcli hidden with a bounded wait for it to end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct RunContext;

namespace irst {

// The value of a port form's digit text, as a small number: 0 for an empty text, and any value
// above 3 (however many digits) comes back as 4. Only 1, 2 and 3 name a place.
int FormNumber(std::string_view digits);

// Raises Refusal when the text holds a double quote or a control character: either would change
// how rstcli splits its command line into words. what names the text in the reason.
void RequireCommandSafe(std::string_view value, const std::string& what);

// Starts rstcli hidden: the tool path (quoted when it holds a blank) followed by the command text.
// With a bound above 0, waits for that rstcli to end, at most the bound. The handle is closed.
// Logs what was started and whether it ended in time. False when it could not be started.
bool StartRstcli(RunContext& ctx, const std::string& toolPath, const std::string& commandText,
                 std::uint32_t waitBoundMilliseconds);

}  // namespace irst

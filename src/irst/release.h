// The installed IRST release and deployment of the matching rstcli build.
#pragma once

#include <string>

struct RunContext;

// Reads the installed release from the registry and sets ctx.IrstRelease. True when a text was
// recognised (even with code 0).
bool DetectIrstRelease(RunContext& ctx);
// Recognition and classification of a version text: true when any known prefix occurs; the code
// of the first classification row that occurs (0 when none).
bool IsRecognisedRelease(const std::string& version);
int ClassifyRelease(const std::string& version);
// The BINARY resource id of the rstcli build for a release code, 0 when none is carried.
unsigned RstcliResourceId(int release);

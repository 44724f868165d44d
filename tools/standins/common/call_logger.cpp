// A stand-in that only records how it was started: appends its whole command line to the call
// log named by VOLKIT_CALL_LOG beside itself and ends with exit code 0, doing nothing else.
#include "standin.h"

int main() {
    standin::AppendLine(standin::BesideModule(nullptr, VOLKIT_CALL_LOG), GetCommandLineA());
    return 0;
}

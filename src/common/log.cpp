#include "common/log.h"

#include "common/text.h"

void Log::SetDirectory(std::string_view programDirectory) {
    path_ = text::JoinPath(programDirectory, "volkit.log");
}

void Log::Write(std::string_view line) {
    if (path_.empty()) return;
    // Keep the file bounded: when it has grown past the limit, the current file becomes
    // volkit.log.old and a fresh one begins.
    if (files_.FileSize(path_) > kMaxBytes) files_.ReplaceFile(path_, path_ + ".old");
    std::string entry = clock_.LocalTimeText();
    entry += operation_ >= 0 ? " [-func" + std::to_string(operation_) + "] " : " [start] ";
    // One entry, one line: line breaks inside a message would split it.
    for (char c : line) entry += (c == '\r' || c == '\n') ? ' ' : c;
    entry += "\r\n";
    files_.AppendFile(path_, entry);
}

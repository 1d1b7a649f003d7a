// Collects the log lines of one category, from any thread, the way gtest captures an output
// stream: captureLog() starts, capturedLog() stops and answers every line, each ended by "\n".
// Lines of other categories go on to the handler that was there before.
#pragma once

#include <string>

namespace testsupport {

void captureLog(const char* category);
std::string capturedLog();

}  // namespace testsupport

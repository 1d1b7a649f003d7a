// Whole-file writes that never leave a half-written file: the bytes go to a new file beside
// the target, which then replaces the target in one step.
#pragma once

#include <string>

bool writeFileAtomically(const std::string& path, const std::string& bytes);

// printf-style formatting into a std::string, for the system's fixed message and path formats,
// and the replacing of every occurrence of a text.
#pragma once

#include <string>

std::string stringWithFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Replaces every occurrence of what in text (left to right, none overlapping) with with. In one
// pass: a long note body holds hundreds of the markup pieces taken out of it.
void replaceAll(std::string& text, const std::string& what, const std::string& with);

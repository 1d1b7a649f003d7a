// printf-style formatting into a std::string, for the system's fixed message and path formats.
#pragma once

#include <string>

std::string stringWithFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

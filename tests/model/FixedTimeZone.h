// Sets the process time zone for the life of the object (a POSIX TZ text needs no zone files).
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class FixedTimeZone {
public:
    explicit FixedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~FixedTimeZone() {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> previous_;
};

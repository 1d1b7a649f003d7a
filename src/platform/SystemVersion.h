// The operating-system version query: answers a fixed, modern version.
#pragma once

struct SystemVersion {
    int major;
    int minor;
    int bugfix;
};

SystemVersion currentSystemVersion();

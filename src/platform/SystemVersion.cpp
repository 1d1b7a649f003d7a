#include "platform/SystemVersion.h"

// The system compares the running version against old releases only; a fixed modern
// answer keeps every such check on its current-system branch.
SystemVersion currentSystemVersion() { return SystemVersion{10, 15, 7}; }

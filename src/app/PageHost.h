// The page helpers moved below the application (widgets/PageHost.h) so that pages need not link
// it; this name stays for pages that still include it from here.
#pragma once

#include "widgets/PageHost.h"

// The layouts phones of iOS 4 to 7 gave the tables of their personal databases (see
// backup/layouts/IosSchemas.h), as a file's schema would declare them: what a carve falls back
// on where a file's own schema cannot be read, and the shorter rows a table that grew by ALTER
// TABLE still holds from before.
#pragma once

#include "backup/carve/TableSchema.h"

#include <string>
#include <string_view>
#include <vector>

namespace carve {

struct KnownLayout {
    std::string source;  // the versions that laid the table out so: "iOS 6 and 7", "iOS 5 (installed fresh)"
    TableColumns columns;
};

// Every layout known of table (by name, without regard to case), each once, oldest first; none
// for a table no phone has.
const std::vector<KnownLayout>& knownLayouts(std::string_view table);

}  // namespace carve

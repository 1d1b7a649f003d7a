// Whether the rows deleted from a database are still in its file: each row has a marker, a text
// of it found nowhere else, and the row is in the file while its marker is. A file of a gigabyte
// holds millions of deleted rows, so the markers are looked for together, in one pass over the
// bytes, rather than one search of the whole file each.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace carvequality {

struct MarkerText {
    std::string_view text;
    // The text ends in the row's number ("dinner 17"): a place where a digit follows is another
    // row's ("dinner 170").
    bool numbered = false;
    // The text may lie in two parts: a long value runs on into its overflow pages, and is split at
    // each page's end.
    bool mayBeSplit = false;
};

// Where marker lies in bytes from at on, npos when nowhere.
size_t findMarker(std::string_view bytes, const MarkerText& marker, size_t at = 0);

// Per marker, whether findMarker finds it in bytes (a database file), or, with split, for one
// that may be split, whether it lies there in two parts; an empty marker counts as found.
std::vector<bool> markersFound(std::string_view bytes, const std::vector<MarkerText>& markers, bool split = true);

}  // namespace carvequality

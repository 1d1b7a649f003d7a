// How deeply a property list's bytes nest, measured without recursion and before the
// property-list library (which recurses once per level) sees them.
#pragma once

#include <cstddef>

namespace plistdepth {

enum class Verdict { ok, tooDeep, tooLarge };

// XML: counts open <array> and <dict> elements. Comments and CDATA are not told apart from
// markup, so a list that only seems deep there is refused too; real lists have neither.
Verdict checkXml(const char* bytes, size_t length, int maxDepth);

// Binary: walks the object references from the top object. Objects may be shared, and the
// library makes one value per reference, so the values the walk would make are counted as
// well: a small file whose references fan out to millions of values is tooLarge. Bytes that
// are no well-formed binary list are left for the library to refuse (ok).
Verdict checkBinary(const char* bytes, size_t length, int maxDepth);

}  // namespace plistdepth

// The font families a text falls back to, character by character, where its own font has no
// glyph: the emoji of a message above all. scripts/setup installs a package for each family
// listed here; a script's font is added in both places, one line each.
#pragma once

#include <QFont>
#include <QStringList>

namespace textfonts {

// The fallback families, in the order they are tried.
const QStringList& fallbackFamilies();
// font with the fallback families after its own.
QFont withFallbacks(const QFont& font);

}  // namespace textfonts

// The fonts texts are drawn in beyond their own: the families a text falls back to, character by
// character, where its own font has no glyph (a script's font), and the colour emoji font that
// a message's emoji are drawn in even where the text's font has a plain glyph of its own.
// scripts/setup installs a package for each family named here; a script's font is added in both
// places, one line each.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace textfonts {

// The fallback families, in the order they are tried.
const QStringList& fallbackFamilies();
// font with the fallback families after its own.
QFont withFallbacks(const QFont& font);

// The colour emoji family, and font's size in it.
QString emojiFamily();
QFont emojiFont(const QFont& font);
// The runs of text (start and length in UTF-16 units) that are emoji: pictographs, flags,
// keycaps and symbols asked for as emoji, with their joiners and modifiers.
std::vector<std::pair<int, int>> emojiRuns(const QString& text);

}  // namespace textfonts

#include "widgets/TextFonts.h"

namespace textfonts {

const QStringList& fallbackFamilies() {
    static const QStringList families = {
        QStringLiteral("DejaVu Sans"),       // fonts-dejavu-core: Latin, Greek, Cyrillic, symbols
        QStringLiteral("Noto Color Emoji"),  // fonts-noto-color-emoji
    };
    return families;
}

QFont withFallbacks(const QFont& font) {
    QFont with = font;
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    for (const QString& family : fallbackFamilies())
        if (!families.contains(family)) families << family;
    with.setFamilies(families);
    return with;
}

}  // namespace textfonts

#include "widgets/TextFonts.h"

namespace textfonts {
namespace {

// Pictographs, emoticons, transport, flags and the later emoji blocks: shown as emoji by default.
bool emojiByDefault(char32_t c) { return c >= 0x1F000 && c <= 0x1FAFF; }
// Symbols and dingbats: shown as text unless the variation selector U+FE0F asks for an emoji.
bool emojiWhenAsked(char32_t c) {
    return (c >= 0x2190 && c <= 0x21FF) || (c >= 0x2300 && c <= 0x23FF) || (c >= 0x2460 && c <= 0x27BF) ||
           (c >= 0x2900 && c <= 0x2BFF) || c == 0x00A9 || c == 0x00AE || c == 0x203C || c == 0x2049 || c == 0x2122 ||
           c == 0x2139 || (c >= '0' && c <= '9') || c == '#' || c == '*';
}
// What continues an emoji: the zero-width joiner, the variation selector, the keycap mark and
// the tag characters of subdivision flags (skin tones lie in the pictograph block).
bool continuesEmoji(char32_t c) { return c == 0x200D || c == 0xFE0F || c == 0x20E3 || (c >= 0xE0020 && c <= 0xE007F); }

}  // namespace

const QStringList& fallbackFamilies() {
    static const QStringList families = {
        QStringLiteral("DejaVu Sans"),       // fonts-dejavu-core: Latin, Greek, Cyrillic, symbols
        QStringLiteral("Noto Sans CJK SC"),  // fonts-noto-cjk: Chinese, Japanese and Korean
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

QString emojiFamily() { return QStringLiteral("Noto Color Emoji"); }  // fonts-noto-color-emoji

QFont emojiFont(const QFont& font) {
    QFont emoji = font;
    emoji.setFamilies({emojiFamily()});
    emoji.setBold(false);
    emoji.setItalic(false);
    return emoji;
}

std::vector<std::pair<int, int>> emojiRuns(const QString& text) {
    std::vector<std::pair<int, int>> runs;
    const QList<uint> points = text.toUcs4();
    int at = 0;         // UTF-16 position of points[i]
    int runStart = -1;  // the run under way
    auto units = [](uint c) { return c > 0xFFFF ? 2 : 1; };
    for (qsizetype i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        const bool asked = i + 1 < points.size() && (points[i + 1] == 0xFE0F || points[i + 1] == 0x20E3);
        const bool emoji = emojiByDefault(c) || (emojiWhenAsked(c) && asked);
        if (emoji || (runStart >= 0 && continuesEmoji(c))) {
            if (runStart < 0) runStart = at;
        } else if (runStart >= 0) {
            runs.emplace_back(runStart, at - runStart);
            runStart = -1;
        }
        at += units(c);
    }
    if (runStart >= 0) runs.emplace_back(runStart, at - runStart);
    return runs;
}

}  // namespace textfonts

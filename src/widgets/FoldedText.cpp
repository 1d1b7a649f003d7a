#include "widgets/FoldedText.h"

#include <QChar>

namespace foldedtext {

void appendFolded(QStringView text, std::u16string& out) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            out.push_back(unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            out.push_back(QChar::highSurrogate(folded));
            out.push_back(QChar::lowSurrogate(folded));
            ++i;
        } else {
            // A character of the basic plane folds to one of the basic plane; a lone surrogate
            // stays as it is.
            out.push_back(char16_t(QChar::toCaseFolded(char32_t(unit))));
        }
    }
}

std::u16string folded(QStringView text) {
    std::u16string out;
    out.reserve(size_t(text.size()));
    appendFolded(text, out);
    return out;
}

void Column::reserve(size_t texts, size_t units) {
    ends_.reserve(texts);
    units_.reserve(units);
}

void Column::append(QStringView text) {
    appendFolded(text, units_);
    ends_.push_back(units_.size());
}

}  // namespace foldedtext

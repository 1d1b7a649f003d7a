// Texts folded once for comparing and finding without case, as QString does with
// Qt::CaseInsensitive: each character folded on its own (simple case folding). Two folded texts
// compare unit by unit as the texts compare ignoring case, and a folded text contains a folded
// needle exactly when the text contains the needle ignoring case; a table of a million records
// then folds each text once instead of at every comparison or search.
#pragma once

#include <QStringView>
#include <string>
#include <string_view>
#include <vector>

namespace foldedtext {

// Appends text folded to out.
void appendFolded(QStringView text, std::u16string& out);
std::u16string folded(QStringView text);

// Many texts folded into one buffer, looked up by their number.
class Column {
public:
    void reserve(size_t texts, size_t units);
    // Folds text and adds it as the next one.
    void append(QStringView text);
    size_t size() const { return ends_.size(); }
    std::u16string_view at(size_t text) const {
        const size_t begin = text == 0 ? 0 : ends_[text - 1];
        return std::u16string_view(units_).substr(begin, ends_[text] - begin);
    }

private:
    std::u16string units_;
    std::vector<size_t> ends_;
};

}  // namespace foldedtext

#include "ReadableCheck.h"

#include "browser/PRChatView.h"
#include "browser/PRConversationView.h"
#include "widgets/ColumnFit.h"
#include "widgets/PRNotifyingButton.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <algorithm>
#include <map>
#include <vector>

namespace readable {
namespace {

QString nameOf(const QWidget* w) {
    QStringList chain;
    for (const QWidget* p = w; p && chain.size() < 3; p = p->parentWidget())
        chain.prepend(p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className()) : p->objectName());
    return chain.join('/');
}

bool isScrollViewport(const QWidget* w) {
    const auto* area = w->parentWidget() ? qobject_cast<const QAbstractScrollArea*>(w->parentWidget()) : nullptr;
    return area && area->viewport() == w;
}

// The part of w that its parents show, in window coordinates. The content of a scroll area
// counts as shown: it scrolls into view.
QRect shownPart(const QWidget* w) {
    const QWidget* window = w->window();
    QRect shown(w->mapTo(window, QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p && !isScrollViewport(p); p = p->parentWidget()) {
        shown &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
        if (p == window) break;
    }
    return shown;
}

bool clipped(const QWidget* w) {
    const QRect whole(w->mapTo(w->window(), QPoint(0, 0)), w->size());
    return shownPart(w) != whole;
}

QString withoutMnemonics(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove('&');
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

void checkLabel(QLabel* label, QStringList& found) {
    if (label->text().isEmpty() || !label->pixmap().isNull()) return;
    const QString where = nameOf(label) + " \"" + label->text().left(80) + "\"";
    const QSize least = label->minimumSizeHint();
    if (least.width() > label->width())
        found << QStringLiteral("label %1: needs %2 px, has %3").arg(where).arg(least.width()).arg(label->width());
    else if (label->wordWrap() && label->heightForWidth(label->width()) > label->height())
        found << QStringLiteral("label %1: needs %2 px high, has %3")
                     .arg(where)
                     .arg(label->heightForWidth(label->width()))
                     .arg(label->height());
    else if (!label->wordWrap() && least.height() > label->height() + 1)
        found
            << QStringLiteral("label %1: needs %2 px high, has %3").arg(where).arg(least.height()).arg(label->height());
    else if (clipped(label))
        found << QStringLiteral("label %1: reaches outside what its parents show").arg(where);
    else if (label->text().contains(QChar(0x2026)) && label->toolTip().isEmpty())
        found << QStringLiteral("label %1: elided without the whole text in a tooltip").arg(where);
}

void checkButton(QAbstractButton* button, QStringList& found) {
    const QString text = withoutMnemonics(button->text());
    if (text.isEmpty()) return;
    const QString where = nameOf(button) + " \"" + text + "\"";
    // The room the button's style leaves for its icon and text.
    int needs = 0, has = button->width();
    if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
        needs = button->sizeHint().width();
    } else if (auto* push = qobject_cast<QPushButton*>(button)) {
        QStyleOptionButton option;
        option.initFrom(push);
        option.features = push->isFlat() ? QStyleOptionButton::Flat : QStyleOptionButton::None;
        option.text = push->text();
        option.icon = push->icon();
        option.iconSize = push->iconSize();
        has = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push).width();
        needs = push->fontMetrics().horizontalAdvance(text);
        if (!push->icon().isNull()) needs += push->iconSize().width() + 4;
    } else {
        needs = button->fontMetrics().horizontalAdvance(text);
    }
    if (needs > has)
        found << QStringLiteral("button %1: needs %2 px, has %3").arg(where).arg(needs).arg(has);
    else if (clipped(button))
        found << QStringLiteral("button %1: reaches outside what its parents show").arg(where);
}

// The tooltip a user sees resting the pointer at a point of widget.
QString tipAt(QWidget* widget, const QPoint& at) {
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &help);
    const QString tip = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return tip;
}

// The tooltip over a cell, the view scrolled sideways to it for the while.
QString tipOver(QAbstractItemView* view, const QModelIndex& index) {
    QScrollBar* sideways = view->horizontalScrollBar();
    const int was = sideways->value();
    const QRect whole = view->visualRect(index);
    if (whole.left() < 0 || whole.right() > view->viewport()->width())
        sideways->setValue(sideways->value() + whole.left());
    const QString tip = tipAt(view->viewport(), view->visualRect(index).intersected(view->viewport()->rect()).center());
    sideways->setValue(was);
    return tip;
}

void checkHeader(QHeaderView* header, QStringList& found) {
    if (header->orientation() != Qt::Horizontal || !header->model()) return;
    for (int i = 0; i < header->count(); ++i) {
        if (header->isSectionHidden(i) || header->sectionSize(i) == 0) continue;
        const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
        if (text.isEmpty()) continue;
        const int needs = header->sectionSizeHint(i);
        const QPoint middle(header->sectionViewportPosition(i) + header->sectionSize(i) / 2, header->height() / 2);
        if (needs > header->sectionSize(i) + 2 && tipAt(header->viewport(), middle) != text)
            found << QStringLiteral("header %1 \"%2\": needs %3 px, has %4")
                         .arg(nameOf(header->parentWidget()), text)
                         .arg(needs)
                         .arg(header->sectionSize(i));
    }
}

// The rows a view shows, top to bottom: their first column.
QList<QModelIndex> shownRows(QAbstractItemView* view) {
    QList<QModelIndex> rows;
    const int bottom = view->viewport()->height();
    if (auto* tree = qobject_cast<QTreeView*>(view)) {
        for (QModelIndex i = tree->model()->index(0, 0, tree->rootIndex()); i.isValid(); i = tree->indexBelow(i)) {
            const QRect at = tree->visualRect(i);
            if (at.top() >= bottom) break;
            if (at.bottom() >= 0) rows << i;
        }
        return rows;
    }
    QAbstractItemModel* model = view->model();
    for (int r = 0; r < model->rowCount(view->rootIndex()); ++r) {
        const QModelIndex i = model->index(r, 0, view->rootIndex());
        const QRect at = view->visualRect(i);
        if (at.bottom() < 0) continue;
        if (at.top() >= bottom) break;
        rows << i;
    }
    return rows;
}

QStyleOptionViewItem cellOption(QAbstractItemView* view, const QRect& rect) {
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.rect = rect;
    option.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(16, 16);
    option.textElideMode = view->textElideMode();
    return option;
}

// The least of a cut text that still reads: some eight characters, or most of a short text.
constexpr int kLeastShown = 50;

// A cell's text elided by its view is readable when the whole text is in its tooltip and a
// good part of it is still shown. A size is never elided: a cut size reads as another one.
bool elidedReadably(QAbstractItemView* view, const QModelIndex& index, const QString& text, int overflow) {
    static const QRegularExpression size(QStringLiteral("^[0-9]+(\\.[0-9]+)? ?(bytes|KB|MB|GB|TB)$"));
    if (view->textElideMode() == Qt::ElideNone || size.match(text).hasMatch()) return false;
    const QString tip = tipOver(view, index);
    if (tip.isEmpty() || !tip.contains(text)) return false;
    QFont font = view->font();
    if (const QVariant f = index.data(Qt::FontRole); f.isValid()) font = f.value<QFont>();
    const QFontMetrics metrics(font);
    const int textWidth = metrics.horizontalAdvance(text);
    // What is left of the text once the cell is cut and the ellipsis drawn.
    const int shown = textWidth - overflow - metrics.horizontalAdvance(QChar(0x2026));
    return shown >= std::min(kLeastShown, textWidth * 3 / 5);
}

void checkCells(QAbstractItemView* view, QStringList& found) {
    if (!view->model()) return;
    if (auto* list = qobject_cast<QListView*>(view); list && list->viewMode() == QListView::IconMode) return;
    auto* table = qobject_cast<QTableView*>(view);
    auto* tree = qobject_cast<QTreeView*>(view);
    const int columns = table || tree ? view->model()->columnCount(view->rootIndex()) : 1;
    const QRect viewport = view->viewport()->rect();
    auto* list = qobject_cast<QListView*>(view);
    const bool wraps = table ? table->wordWrap() : tree ? tree->wordWrap() : list && list->wordWrap();
    std::vector<bool> outside(size_t(columns), false);
    const bool sideways = view->horizontalScrollBar()->isVisible() && view->horizontalScrollBar()->maximum() > 0;
    for (const QModelIndex& row : shownRows(view)) {
        for (int c = 0; c < columns; ++c) {
            if ((table && table->isColumnHidden(c)) || (tree && tree->isColumnHidden(c))) continue;
            const QModelIndex index = row.siblingAtColumn(c);
            const QString text = index.data(Qt::DisplayRole).toString();
            if (text.isEmpty()) continue;
            const QRect whole = view->visualRect(index);
            if (whole.width() <= 0) continue;
            // What the view shows of the cell: a column scrolled partly or wholly out of a view
            // that cannot scroll sideways is cut where the view ends; one that can scrolls it in.
            const QRect rect = sideways ? whole : whole.intersected(viewport);
            if (rect.width() <= 0) {
                if (!outside[size_t(c)])
                    found << QStringLiteral("column %1 of %2 lies outside the view")
                                 .arg(view->model()->headerData(c, Qt::Horizontal).toString(), nameOf(view));
                outside[size_t(c)] = true;
                continue;
            }
            QStyleOptionViewItem option = cellOption(view, rect);
            QAbstractItemDelegate* delegate = view->itemDelegateForIndex(index);
            const int needs = delegate->sizeHint(option, index).width();
            if (needs <= rect.width() + 1) continue;
            if (wraps) {
                // A wrapping view breaks the text into lines: it is cut when they are more
                // than the row shows, and then not elided either.
                option.features |= QStyleOptionViewItem::WrapText;
                option.rect = QRect(rect.topLeft(), QSize(rect.width(), QWIDGETSIZE_MAX));
                const int high = delegate->sizeHint(option, index).height();
                if (high <= rect.height() + 1) continue;
                found << QStringLiteral("cell %1 [%2,%3] \"%4\": wraps to %5 px high in a row of %6")
                             .arg(nameOf(view))
                             .arg(index.row())
                             .arg(c)
                             .arg(text.left(80))
                             .arg(high)
                             .arg(rect.height());
                continue;
            }
            if (elidedReadably(view, index, text, needs - rect.width())) continue;
            found << QStringLiteral("cell %1 [%2,%3] \"%4\": needs %5 px, has %6")
                         .arg(nameOf(view))
                         .arg(index.row())
                         .arg(c)
                         .arg(text.left(80))
                         .arg(needs)
                         .arg(rect.width());
        }
    }
}

}  // namespace

QStringList cutValues(QWidget* root, const QStringList& values) {
    QStringList found;
    for (QAbstractItemView* view : root->findChildren<QAbstractItemView*>()) {
        if (!view->isVisible() || !view->model()) continue;
        if (auto* list = qobject_cast<QListView*>(view); list && list->viewMode() == QListView::IconMode) continue;
        auto* table = qobject_cast<QTableView*>(view);
        auto* tree = qobject_cast<QTreeView*>(view);
        const int columns = table || tree ? view->model()->columnCount(view->rootIndex()) : 1;
        for (const QModelIndex& row : shownRows(view)) {
            for (int c = 0; c < columns; ++c) {
                if ((table && table->isColumnHidden(c)) || (tree && tree->isColumnHidden(c))) continue;
                const QModelIndex index = row.siblingAtColumn(c);
                const QString text = index.data(Qt::DisplayRole).toString();
                if (tree && c == 0 && text.isEmpty())
                    found << QStringLiteral("%1 has a row without a name").arg(nameOf(view));
                const bool path = text.size() > 1 && text.contains('/') && !text.contains(QStringLiteral("://"));
                if (!path && !values.contains(text)) continue;
                const QRect whole = view->visualRect(index);
                if (whole.width() <= 0) continue;
                const int needs = view->itemDelegateForIndex(index)->sizeHint(cellOption(view, whole), index).width();
                if (needs <= whole.width() + 1) continue;
                if (!path)
                    found << QStringLiteral("%1 shows \"%2\" cut: needs %3 px, has %4")
                                 .arg(nameOf(view), text)
                                 .arg(needs)
                                 .arg(whole.width());
                else if (!table || !columnfit::cutsAtStart(table, c))
                    found << QStringLiteral("%1 cuts the path \"%2\" elsewhere than at its start")
                                 .arg(nameOf(view), text);
            }
        }
    }
    return found;
}

QStringList cutTexts(QWidget* root) {
    QStringList found;
    // The checks show tooltips to read them (see tipAt), and a tooltip shown deletes the one
    // before, which may be among the widgets listed: each is held by a guard, tooltips skipped.
    QList<QPointer<QWidget>> widgets;
    for (QWidget* w : root->findChildren<QWidget*>()) widgets << w;
    for (const QPointer<QWidget>& w : widgets) {
        if (!w || w->windowType() == Qt::ToolTip) continue;
        if (!w->isVisible() || w->width() <= 0 || w->height() <= 0) continue;
        if (auto* label = qobject_cast<QLabel*>(w))
            checkLabel(label, found);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            checkButton(button, found);
        else if (auto* header = qobject_cast<QHeaderView*>(w))
            checkHeader(header, found);
        else if (auto* view = qobject_cast<QAbstractItemView*>(w))
            checkCells(view, found);
    }
    return found;
}

QStringList bubblesOutside(QWidget* root) {
    QStringList found;
    for (PRConversationView* view : root->findChildren<PRConversationView*>()) {
        if (!view->isVisible()) continue;
        const int width = view->viewport()->width();
        for (PRChatView* bubble : view->documentView()->findChildren<PRChatView*>(Qt::FindDirectChildrenOnly)) {
            const QRect at = bubble->geometry();
            const QString where =
                nameOf(view) + " bubble \"" + (bubble->textView ? bubble->textView->text() : "") + "\"";
            if (at.left() < 0 || at.right() >= width)
                found << QStringLiteral("%1: x %2 to %3, the pane shows 0 to %4")
                             .arg(where)
                             .arg(at.left())
                             .arg(at.right())
                             .arg(width - 1);
            for (QLabel* part : bubble->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
                if (!part->isHidden() && !bubble->rect().contains(part->geometry()))
                    found << QStringLiteral("%1: \"%2\" reaches outside its bubble").arg(where, part->text().left(60));
        }
    }
    return found;
}

QStringList oddButtons(QWidget* root) {
    QStringList found;
    std::map<std::pair<QWidget*, int>, std::vector<QPushButton*>> rows;  // by parent and middle
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (!button->isVisible()) continue;
        if (auto* image = qobject_cast<PRNotifyingButton*>(button)) {
            // Text links are a kind of their own.
            if (image->image().isNull() && !image->text().isEmpty() && !button->inherits("PRLinkButton"))
                found << QStringLiteral("button %1 \"%2\": bare text, no face").arg(nameOf(button), button->text());
            continue;
        }
        auto* push = qobject_cast<QPushButton*>(button);
        if (!push || push->isFlat()) continue;
        rows[{push->parentWidget(), push->geometry().center().y()}].push_back(push);
    }
    for (const auto& [where, row] : rows) {
        for (QPushButton* b : row) {
            QPushButton* first = row.front();
            if (b->font() != first->font() || b->styleSheet() != first->styleSheet() || b->height() != first->height())
                found << QStringLiteral("button %1 \"%2\" unlike \"%3\" beside it")
                             .arg(nameOf(b), b->text(), first->text());
        }
    }
    return found;
}

bool hasControl(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || shownPart(w).isEmpty()) continue;
        if (qobject_cast<QAbstractButton*>(w)) return true;
        if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model() && view->model()->rowCount() > 0)
            return true;
        if (auto* field = qobject_cast<QLineEdit*>(w); field && !field->isReadOnly()) return true;
        if (qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSlider*>(w)) return true;
    }
    return false;
}

}  // namespace readable

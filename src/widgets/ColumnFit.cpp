#include "widgets/ColumnFit.h"

#include "widgets/ElidedText.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPointer>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <set>
#include <vector>

namespace columnfit {
namespace {

// A column whose widest text is no wider than this is read whole (names, numbers, dates,
// sizes, domains); a wider one holds long free text (a note, a message, a link) or paths.
constexpr int kReadWhole = 320;
// The narrowest a column of long texts gets before the table scrolls sideways (a column of
// paths keeps the room of its file names).
constexpr int kLeastLong = 160;
// Rows looked at: all of a table of up to kAllRows, else the first ones and as many spread
// over the rest.
constexpr int kAllRows = 1000;
constexpr int kSampleRows = 120;

// A byte size as the size texts write it: the widest one of them is "999.00bytes".
bool isSizeText(const QString& text) {
    static const QRegularExpression size(QStringLiteral("^[0-9]+\\.[0-9]+ ?(bytes|KB|MB|GB|TB)$"));
    return size.match(text).hasMatch();
}

// A path on the device or in a backup (below its domain): what tells one file from another is
// its end. An address with a scheme is not one.
bool isPath(const QString& text) {
    return text.size() > 1 && text.contains('/') && !text.contains(QStringLiteral("://"));
}

// Draws a column's cut texts cut at their start, the rest as the table's own delegate does.
class StartCut final : public QStyledItemDelegate {
public:
    StartCut(QAbstractItemDelegate* own, QObject* parent) : QStyledItemDelegate(parent), own_(own) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem cut = option;
        cut.textElideMode = Qt::ElideLeft;
        if (own_)
            own_->paint(painter, cut, index);
        else
            QStyledItemDelegate::paint(painter, cut, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return own_ ? own_->sizeHint(option, index) : QStyledItemDelegate::sizeHint(option, index);
    }
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        return own_ ? own_->editorEvent(event, model, option, index)
                    : QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        return own_ ? own_->helpEvent(event, view, option, index)
                    : QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    QPointer<QAbstractItemDelegate> own_;
};

class Fitter final : public QObject {
public:
    explicit Fitter(QTableView* table) : QObject(table), table_(table) {
        table->viewport()->installEventFilter(this);
        watch();
    }

    void refitSoon() {
        if (pending_) return;
        pending_ = true;
        QTimer::singleShot(0, this, [this] {
            pending_ = false;
            refit();
        });
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) refitSoon();
        return false;
    }

private:
    // The model's signals that change what the columns hold (the model may be set later).
    void watch() {
        QAbstractItemModel* model = table_->model();
        if (model == watched_) return;
        if (watched_) disconnect(watched_, nullptr, this, nullptr);
        watched_ = model;
        if (!model) return;
        connect(model, &QAbstractItemModel::modelReset, this, [this] { refitSoon(); });
        connect(model, &QAbstractItemModel::layoutChanged, this, [this] { refitSoon(); });
        connect(model, &QAbstractItemModel::rowsInserted, this, [this] { refitSoon(); });
        connect(model, &QAbstractItemModel::columnsInserted, this, [this] { refitSoon(); });
        connect(model, &QAbstractItemModel::headerDataChanged, this, [this] { refitSoon(); });
        connect(model, &QAbstractItemModel::dataChanged, this, [this] { refitSoon(); });
    }

    // Every row of a small table; of a large one the first rows and as many spread over it.
    std::vector<int> sampleRows(int rows) const {
        std::vector<int> sample;
        if (rows <= kAllRows) {
            for (int r = 0; r < rows; ++r) sample.push_back(r);
            return sample;
        }
        for (int r = 0; r < kSampleRows; ++r) sample.push_back(r);
        for (int i = 1; i <= kSampleRows; ++i)
            sample.push_back(kSampleRows + (rows - kSampleRows - 1) * i / kSampleRows);
        return sample;
    }

    // The width column needs to show the sampled texts whole; *paths tells whether most of
    // them are paths, *names the width their file names need after the "...".
    int contentNeed(int column, const std::vector<int>& rows, bool values, bool* paths, bool* words, int* names) const {
        QAbstractItemModel* model = table_->model();
        QStyleOptionViewItem option;
        option.initFrom(table_);
        option.font = table_->font();
        option.decorationSize = table_->iconSize().isValid() ? table_->iconSize() : QSize(16, 16);
        int widest = 0, texts = 0, pathTexts = 0, wordTexts = 0;
        bool sizes = false;
        *names = 0;
        for (int row : rows) {
            const QModelIndex index = model->index(row, column, table_->rootIndex());
            // Two points more than the hint: a text exactly as wide as its cell is drawn cut.
            const int need = table_->itemDelegateForIndex(index)->sizeHint(option, index).width() + 2;
            widest = std::max(widest, need);
            const QString text = index.data(Qt::DisplayRole).toString();
            if (text.isEmpty()) continue;
            ++texts;
            static const QRegularExpression blank(QStringLiteral("\\s"));
            if (!text.contains(blank)) ++wordTexts;
            if (!values && isPath(text)) {
                ++pathTexts;
                // The cell's own margins and icon, then "..." and the file name.
                const QFontMetrics metrics(option.font);
                const int around = need - metrics.horizontalAdvance(text);
                const QString name = QChar(0x2026) + text.mid(text.lastIndexOf('/'));
                *names = std::max(*names, around + metrics.horizontalAdvance(name));
            }
            sizes = sizes || isSizeText(text);
        }
        *paths = texts > 0 && pathTexts * 2 > texts;
        *words = texts > 0 && wordTexts == texts;
        if (sizes && int(rows.size()) < model->rowCount(table_->rootIndex())) {
            // A size of another row may be longer than those looked at: room for the longest.
            const QString longest = QStringLiteral("999.00bytes");
            widest = std::max(widest, table_->fontMetrics().horizontalAdvance(longest) + 12);
        }
        return widest;
    }

    // Paths are cut at their start, so that their file names show.
    void cutAtStart(int column) {
        if (cutColumns_.count(column)) return;
        cutColumns_.insert(column);
        QAbstractItemDelegate* own = table_->itemDelegateForColumn(column);
        if (!own) own = table_->itemDelegate();
        table_->setItemDelegateForColumn(column, new StartCut(own, table_));
    }

    void refit() {
        watch();
        QAbstractItemModel* model = table_->model();
        if (!model || !table_->isVisible()) return;
        QHeaderView* header = table_->horizontalHeader();
        const int available = table_->viewport()->width();
        if (available <= 0) return;
        const std::vector<int> rows = sampleRows(model->rowCount(table_->rootIndex()));
        // Each column's whole width (its texts and its title) and its least: a column read
        // whole keeps it, a column of long texts or paths may give up room down to its title
        // and kLeastLong.
        std::vector<int> columns, whole, least;
        for (int c = 0; c < model->columnCount(table_->rootIndex()); ++c) {
            if (table_->isColumnHidden(c)) continue;
            columns.push_back(c);
            bool paths = false, words = false;
            int names = 0;
            const bool told = model->headerData(c, Qt::Horizontal, kValuesRole).toBool();
            const int content = contentNeed(c, rows, told, &paths, &words, &names);
            // A column of single words (file names, addresses, numbers, domains) holds values too.
            const bool values = told || (words && !paths);
            const int title = header->isHidden() ? 0 : header->sectionSizeHint(c);
            if (paths) cutAtStart(c);
            whole.push_back(std::max(content, title));
            // A path keeps room for its file name; a long text for a good part of itself.
            const int longLeast = std::min(whole.back(), std::max(title, paths ? names : kLeastLong));
            least.push_back((content <= kReadWhole || values) && !paths ? whole.back() : longLeast);
        }
        if (columns.empty()) return;
        std::vector<int> widths = whole;
        int used = 0;
        for (int w : whole) used += w;
        if (used > available) {
            // The long columns share what the whole ones leave, the least needy first, each
            // given what it needs up to an even share; where that is less than their least,
            // the table scrolls sideways.
            int rest = available;
            std::vector<size_t> shared;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (least[i] == whole[i])
                    rest -= whole[i];
                else
                    shared.push_back(i);
            }
            std::sort(shared.begin(), shared.end(), [&](size_t a, size_t b) { return whole[a] < whole[b]; });
            for (size_t k = 0; k < shared.size(); ++k) {
                const size_t i = shared[k];
                const int share = rest / int(shared.size() - k);
                widths[i] = std::max(least[i], std::min(whole[i], share));
                rest -= widths[i];
            }
            used = 0;
            for (int w : widths) used += w;
        }
        // The last column takes what is left over.
        header->setStretchLastSection(used <= available);
        for (size_t i = 0; i < columns.size(); ++i) {
            header->setSectionResizeMode(columns[i], QHeaderView::Interactive);
            header->resizeSection(columns[i], widths[i]);
        }
    }

    QTableView* table_;
    QPointer<QAbstractItemModel> watched_;
    std::set<int> cutColumns_;
    bool pending_ = false;
};

}  // namespace

void fitColumns(QTableView* table) {
    table->setWordWrap(false);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A check box or an icon alone makes a column narrower than the header's own least.
    table->horizontalHeader()->setMinimumSectionSize(16);
    elided::showWholeCellTexts(table);
    auto* fitter = new Fitter(table);
    fitter->refitSoon();
}

void showWholeNames(QTreeView* tree) {
    elided::showWholeCellTexts(tree);
    tree->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

bool cutsAtStart(const QTableView* table, int column) {
    return dynamic_cast<const StartCut*>(table->itemDelegateForColumn(column)) != nullptr;
}

}  // namespace columnfit

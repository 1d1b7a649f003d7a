#include "widgets/ColumnFit.h"

#include "widgets/ElidedText.h"

#include <QEvent>
#include <QHeaderView>
#include <QPointer>
#include <QRegularExpression>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace columnfit {
namespace {

// Columns of figures (sizes, dates, times, counts) no wider than this keep their whole text;
// the others share what is left.
constexpr int kFigureColumn = 160;
// The narrowest a shared column gets before the table scrolls sideways.
constexpr int kLeastShare = 48;
// A figure column's title up to this width stays whole even where the figures are narrower
// (a longer one is cut, its whole text in the tip).
constexpr int kShortTitle = 64;
// Rows looked at: all of a table of up to kAllRows, else the first ones and as many spread
// over the rest.
constexpr int kAllRows = 1000;
constexpr int kSampleRows = 120;

// A byte size as the size texts write it: the widest one of them is "999.00bytes".
bool isSizeText(const QString& text) {
    static const QRegularExpression size(QStringLiteral("^[0-9]+\\.[0-9]+ ?(bytes|KB|MB|GB|TB)$"));
    return size.match(text).hasMatch();
}

// A figure: a size, a date, a time, a version or a count, which reads only whole.
bool isFigure(const QString& text) {
    static const QRegularExpression figure(QStringLiteral("^[0-9 .,:/+()-]*(bytes|KB|MB|GB|TB)?$"));
    return isSizeText(text) || figure.match(text).hasMatch();
}

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

    // The width column needs to show the sampled texts whole; *figures tells whether they are
    // all figures (or none).
    int contentNeed(int column, const std::vector<int>& rows, bool* figures) const {
        QAbstractItemModel* model = table_->model();
        QStyleOptionViewItem option;
        option.initFrom(table_);
        option.font = table_->font();
        option.decorationSize = table_->iconSize().isValid() ? table_->iconSize() : QSize(16, 16);
        int widest = 0;
        bool sizes = false;
        *figures = true;
        for (int row : rows) {
            const QModelIndex index = model->index(row, column, table_->rootIndex());
            // Two points more than the hint: a text exactly as wide as its cell is drawn cut.
            widest = std::max(widest, table_->itemDelegateForIndex(index)->sizeHint(option, index).width() + 2);
            const QString text = index.data(Qt::DisplayRole).toString();
            sizes = sizes || isSizeText(text);
            *figures = *figures && isFigure(text);
        }
        if (sizes && int(rows.size()) < model->rowCount(table_->rootIndex())) {
            // A size of another row may be longer than those looked at: room for the longest.
            const QString longest = QStringLiteral("999.00bytes");
            widest = std::max(widest, table_->fontMetrics().horizontalAdvance(longest) + 12);
        }
        return widest;
    }

    void refit() {
        watch();
        QAbstractItemModel* model = table_->model();
        if (!model || !table_->isVisible()) return;
        QHeaderView* header = table_->horizontalHeader();
        const int available = table_->viewport()->width();
        if (available <= 0) return;
        const std::vector<int> rows = sampleRows(model->rowCount(table_->rootIndex()));
        std::vector<int> columns, content, whole;  // whole: with the column's title
        std::vector<bool> fixed;
        for (int c = 0; c < model->columnCount(table_->rootIndex()); ++c) {
            if (table_->isColumnHidden(c)) continue;
            columns.push_back(c);
            bool figures = false;
            content.push_back(contentNeed(c, rows, &figures));
            fixed.push_back(figures && content.back() <= kFigureColumn);
            whole.push_back(std::max(content.back(), header->isHidden() ? 0 : header->sectionSizeHint(c)));
        }
        if (columns.empty()) return;
        std::vector<int> widths = whole;
        int used = 0;
        for (int w : whole) used += w;
        if (used > available) {
            // Figures keep their texts whole; the texts share the rest
            // fairly: the least needy first, each given what it needs up to an even share of
            // what is left, so that no name or path is squeezed to a few letters while another
            // keeps its whole text. A cut text keeps its ends (a path its file name) and its
            // whole text in the tip.
            int rest = available;
            std::vector<size_t> shared;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (fixed[i]) {
                    widths[i] = content[i];
                    rest -= widths[i];
                } else {
                    shared.push_back(i);
                }
            }
            std::sort(shared.begin(), shared.end(), [&](size_t a, size_t b) { return whole[a] < whole[b]; });
            for (size_t k = 0; k < shared.size(); ++k) {
                const size_t i = shared[k];
                const int share = rest / int(shared.size() - k);
                widths[i] = std::max(kLeastShare, std::min(whole[i], share));
                rest -= widths[i];
            }
            // Room the shares left over goes first to the short titles of figures, then to the
            // first columns short of their whole width.
            for (size_t i = 0; i < columns.size() && rest > 0; ++i) {
                if (!fixed[i]) continue;
                const int more = std::min(rest, std::min(whole[i], kShortTitle) - widths[i]);
                if (more <= 0) continue;
                widths[i] += more;
                rest -= more;
            }
            for (size_t i = 0; i < columns.size() && rest > 0; ++i) {
                const int more = std::min(rest, whole[i] - widths[i]);
                if (more <= 0) continue;
                widths[i] += more;
                rest -= more;
            }
            used = 0;
            for (int w : widths) used += w;
        }
        // The last column takes what is left over, never less than its share.
        header->setStretchLastSection(used <= available);
        for (size_t i = 0; i < columns.size(); ++i) {
            header->setSectionResizeMode(columns[i], QHeaderView::Interactive);
            header->resizeSection(columns[i], widths[i]);
        }
    }

    QTableView* table_;
    QPointer<QAbstractItemModel> watched_;
    bool pending_ = false;
};

}  // namespace

void fitColumns(QTableView* table) {
    table->setWordWrap(false);
    // A check box or an icon alone makes a column narrower than the header's own least.
    table->horizontalHeader()->setMinimumSectionSize(16);
    elided::showWholeCellTexts(table);
    auto* fitter = new Fitter(table);
    fitter->refitSoon();
}

}  // namespace columnfit

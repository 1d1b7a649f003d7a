#include "widgets/ActionResultLine.h"

#include "platform/Counted.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

ActionResultLine::ActionResultLine(QWidget* parent) : QWidget(parent) {
    setObjectName("actionResultLine");
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 2, 6, 2);
    label_ = new QLabel(this);
    label_->setObjectName("actionResultText");
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label_->setMinimumWidth(0);
    label_->setWordWrap(true);  // a long sentence takes a second line rather than being cut
    show_ = new QPushButton(tr("Show Folder"), this);
    show_->setObjectName("actionResultShowFolder");
    close_ = new QPushButton(tr("Close"), this);
    layout->addWidget(label_, 1);
    layout->addWidget(show_);
    layout->addWidget(close_);
    connect(show_, &QPushButton::clicked, this, [this] { showFolder(); });
    connect(close_, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

QString ActionResultLine::text() const { return label_->text(); }

void ActionResultLine::tell(const QString& summary, const QString& folder, bool openFolder) {
    summary_ = summary;
    folder_ = folder;
    label_->setText(folder.isEmpty() ? summary : tr("%1 in %2").arg(summary, QDir::toNativeSeparators(folder)));
    label_->setToolTip(folder);
    show_->setVisible(!folder.isEmpty());
    show();
    raise();
    if (!folder.isEmpty() && openFolder) showFolder();
}

void ActionResultLine::showFolder() {
    if (workspace::selectFile(QString(), folder_)) return;
    label_->setText(tr("%1 in %2. No file manager could be opened to show the folder.")
                        .arg(summary_, QDir::toNativeSeparators(folder_)));
}

namespace {

// A line made for a window without one: it keeps to the window's foot as the window is sized.
class FootKeeper : public QObject {
public:
    FootKeeper(QWidget* window, ActionResultLine* line) : QObject(line), window_(window), line_(line) {
        window->installEventFilter(this);
        line->installEventFilter(this);
        place();
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((watched == window_ && event->type() == QEvent::Resize) ||
            (watched == line_ && (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)))
            place();
        return false;
    }

private:
    void place() {
        const int height = line_->sizeHint().height();
        line_->setGeometry(0, window_->height() - height, window_->width(), height);
    }
    QWidget* window_;
    ActionResultLine* line_;
};

}  // namespace

void tellActionDone(QWidget* anchor, const QString& summary, const QString& folder, bool openFolder) {
    QWidget* window = anchor ? anchor->window() : nullptr;
    if (!window) {
        if (openFolder) workspace::selectFile(QString(), folder);
        return;
    }
    auto* line = window->findChild<ActionResultLine*>();
    if (!line) {
        line = new ActionResultLine(window);
        new FootKeeper(window, line);
    }
    line->tell(summary, folder, openFolder);
}

QString outcomeSummary(qulonglong done, qulonglong failures, const QString& verb, const char* one, const char* many) {
    if (done == 0 && failures == 0) return QObject::tr("Nothing was %1").arg(verb);
    if (done == 0) return QObject::tr("Nothing was %1: %2 failed").arg(verb, counted(failures, one, many));
    const QString said = counted(done, one, many) + QLatin1Char(' ') + verb;
    return failures == 0 ? said : QObject::tr("%1, %2 failed").arg(said).arg(failures);
}

void tellExportDone(QWidget* anchor, qulonglong written, qulonglong failures, const QString& folder, const char* one,
                    const char* many, bool openFolder) {
    // A folder nothing went into is neither named nor opened.
    tellActionDone(anchor, outcomeSummary(written, failures, QObject::tr("exported"), one, many),
                   written > 0 ? folder : QString(), openFolder && written > 0);
}

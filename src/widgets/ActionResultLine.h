// The line at the foot of the main window that says how an export, a copy or a recovery ended:
// what went where, with a button that shows the folder. The desktop's file manager is asked to
// show the folder as well, as it always was; where none can be opened (a desktop without one
// set, a bare X display) the line says so, so that no action ends without a word.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

class ActionResultLine : public QWidget {
    Q_OBJECT
public:
    explicit ActionResultLine(QWidget* parent = nullptr);

    // Says summary ("12 files exported") and the folder they went to (none for a removal); opens
    // the folder unless openFolder is false (it was shown when the action started).
    void tell(const QString& summary, const QString& folder, bool openFolder = true);
    QString text() const;
    QString folder() const { return folder_; }

private:
    void showFolder();

    QLabel* label_ = nullptr;
    QPushButton* show_ = nullptr;
    QPushButton* close_ = nullptr;
    QString summary_, folder_;
};

// Tells how an action ended in the window of anchor: the window's result line when it has one
// (the main window does), else one made at the foot of that window (a page shown alone).
void tellActionDone(QWidget* anchor, const QString& summary, const QString& folder, bool openFolder = true);

// How an export ended, told the same way everywhere: "3 files exported", "3 files exported, 1
// failed", or, when nothing arrived, "Nothing was exported: 2 files failed" with no folder named
// or opened (failures counts what was tried and not written; one and many name the items).
void tellExportDone(QWidget* anchor, qulonglong written, qulonglong failures, const QString& folder,
                    const char* one = "file", const char* many = "files", bool openFolder = true);
// How an action on items ended, in those words: done is the verb's participle ("exported",
// "removed"): "3 files removed", "3 files removed, 1 failed", "Nothing was removed: 1 file failed".
QString outcomeSummary(qulonglong done, qulonglong failures, const QString& verb, const char* one = "file",
                       const char* many = "files");

// Alerts, sheets and open/save panels go through one seam, so that tests answer them without
// a modal loop. Without a responder they run as Qt dialogs.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Results of an alert: the first, second and third button from the right.
constexpr int NSAlertFirstButtonReturn = 1000;
constexpr int NSAlertSecondButtonReturn = 1001;
constexpr int NSAlertThirdButtonReturn = 1002;

struct AlertRequest {
    enum class Style { Informational, Warning, Critical };
    QString messageText;
    QString informativeText;
    QStringList buttons;  // empty means one "OK"
    // The button Enter presses, and the one Escape or closing the alert presses (indexes into
    // buttons). A question whose first button deletes or replaces makes its Cancel the default
    // (destructive()), so that Enter, or a press meant for the button below, never deletes.
    int defaultButton = 0;
    int cancelButton = 1;
    Style style = Style::Warning;
    QWidget* window = nullptr;  // run as a sheet of this window when set

    // Marks the question as one whose first button deletes: its Cancel (the second) becomes
    // the default.
    AlertRequest& destructive() {
        defaultButton = cancelButton;
        return *this;
    }
};

struct PanelRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString message;
    QString directory;        // where the panel starts; empty: the folder of the last save
                              // panel's choice, at first the user's home
    QString suggestedName;    // save panels
    bool chooseFiles = true;  // open panels
    bool chooseDirectories = false;
    bool multipleSelection = false;
    bool canCreateDirectories = true;
    QStringList allowedExtensions;
    QWidget* window = nullptr;
};

class DialogResponder {
public:
    virtual ~DialogResponder() = default;
    virtual int answerAlert(const AlertRequest& request) = 0;
    // The chosen paths; empty for Cancel.
    virtual QStringList answerPanel(const PanelRequest& request) = 0;
};

namespace dialogs {
int runAlert(const AlertRequest& request);
QStringList runPanel(const PanelRequest& request);
// The first chosen path, or empty for Cancel.
QString runPanelForPath(const PanelRequest& request);
// Installs a responder (tests); nullptr goes back to real dialogs. Not owned.
void setResponder(DialogResponder* responder);
DialogResponder* responder();
}  // namespace dialogs

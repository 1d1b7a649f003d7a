// A launched application (delegate, windows, launch steps) inside a fresh home, with dialogs
// answered by the test and devices attached and removed at will.
#pragma once

#include "DeviceFolder.h"
#include "TestSupport.h"
#include "app/OstrevaneAppDelegate.h"
#include "platform/Dialogs.h"

#include <memory>

namespace apptest {

// Answers alerts with a fixed button and panels with a fixed choice, recording the requests.
class Responder : public DialogResponder {
public:
    int answerAlert(const AlertRequest& request) override {
        alerts.push_back(request);
        return alertAnswer;
    }
    QStringList answerPanel(const PanelRequest& request) override {
        panels.push_back(request);
        return panelAnswer;
    }
    int alertAnswer = NSAlertSecondButtonReturn;
    QStringList panelAnswer;
    std::vector<AlertRequest> alerts;
    std::vector<PanelRequest> panels;
};

// A press and release of the left button at the widget's middle, as a user's click.
void click(QWidget* widget);

class AppTest : public testsupport::HomeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The page views not hidden inside the page container.
    std::vector<QWidget*> shownPages() const;
    // Attaches a device folder made from spec and waits until the window has handled it.
    int attach(const devicetest::DeviceSpec& spec = {}, const std::string& name = "device");
    void detach(int id);
    QString text(QLabel* label) const;

    std::unique_ptr<OstrevaneAppDelegate> app;
    Responder responder;
};

}  // namespace apptest

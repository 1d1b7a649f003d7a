// Answers the pages' alerts and panels in the disk tests, keeping what was asked.
#pragma once

#include "platform/Dialogs.h"

#include <vector>

struct DialogAnswers : DialogResponder {
    int answerAlert(const AlertRequest& request) override {
        alerts.push_back(request);
        return alertAnswer;
    }
    QStringList answerPanel(const PanelRequest& request) override {
        panels.push_back(request);
        return panelAnswer;
    }
    int alertAnswer = NSAlertSecondButtonReturn;  // "Cancel"
    QStringList panelAnswer;
    std::vector<AlertRequest> alerts;
    std::vector<PanelRequest> panels;
};

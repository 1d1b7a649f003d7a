// The page that backs the device up, shown from the sidebar's backup row. The backup run is
// not built yet: the page shows the backup folder, and its backup button stays disabled.
#pragma once

#include "widgets/PageHost.h"

class QLineEdit;
class QPushButton;

class PRBackUpViewController : public PageController {
public:
    explicit PRBackUpViewController(QObject* parent = nullptr) : PageController("BackupView", parent) {}

    // Puts the page into host and sets its first state: the iTunes backup folder of the user
    // in the location field, the backup button disabled.
    void showView(QWidget* host);
    // Shows the page's backup pane.
    void ShowbackupView();

    QWidget* mainShowView = nullptr;
    QLineEdit* backupLocationlab = nullptr;
    QPushButton* backupBtn = nullptr;

protected:
    void buildView(QWidget* page) override;
};

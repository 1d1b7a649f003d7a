// The one-click copy page, shown from the banner. The copy itself is not built yet: the page
// shows nothing and nothing is copied.
#pragma once

#include "widgets/PageHost.h"

#include <QString>

class PROneCopyViewController : public PageController {
public:
    explicit PROneCopyViewController(QObject* parent = nullptr) : PageController("PROneCopyView", parent) {}

    // Puts the page into host and takes the export folder of the application for the books.
    void showView(QWidget* host);
    void setCopyIndex(int index) { copyIndex = index; }

    int copyIndex = 0;
    QString bookExportPath;

protected:
    void buildView(QWidget*) override {}
};

// The large-file finder page, shown from the banner. The search is not built yet: the page
// shows nothing.
#pragma once

#include "widgets/PageHost.h"

class PRFindLargeFileViewController : public PageController {
public:
    explicit PRFindLargeFileViewController(QObject* parent = nullptr) : PageController("PRFineLargeView", parent) {}
    void showView(QWidget* host) { putInto(host); }
    void setDeviceIndex(int index) { deviceIndex = index; }

    int deviceIndex = 0;

protected:
    void buildView(QWidget*) override {}
};

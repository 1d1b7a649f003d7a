// The device file browser page, shown from the sidebar's system-library row. The file-tree
// lookup is not built yet: the page shows nothing and LookupSystemTree starts no lookup (so
// the row's busy indicator is not started either).
#pragma once

#include "widgets/PageHost.h"

class PRPhoneSystemViewController : public PageController {
public:
    explicit PRPhoneSystemViewController(QObject* parent = nullptr) : PageController("SystemLibView", parent) {}
    void showPhoneSystemView(QWidget* host) { putInto(host); }
    void LookupSystemTree(int) {}

    int theDevice = 0;

protected:
    void buildView(QWidget*) override {}
};

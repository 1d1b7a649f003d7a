// A view controller whose page, "AppView", nothing in the program shows yet. Like every page
// it is made on first use and deleted with its controller, unless a host window went first.
#pragma once

#include "widgets/PageHost.h"

class PRAppViewController : public PageController {
    Q_OBJECT
public:
    explicit PRAppViewController(QObject* parent = nullptr) : PageController("AppView", parent) {}

protected:
    void buildView(QWidget* page) override;
};

#include "transfer/PRTansferViewController.h"

#include <QGridLayout>
#include <QWidget>

void PRTansferViewController::buildView(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    struct Entry {
        QWidget** outlet;
        const char* name;
    };
    const Entry entries[] = {{&tranMainView, "tranMainView"}, {&photoView, "photoView"},  {&musicView, "musicView"},
                             {&videoView, "videoView"},       {&appView, "appView"},      {&contactView, "contactView"},
                             {&messageView, "messageView"},   {&noteView, "noteView"}};
    for (const Entry& e : entries) {
        *e.outlet = new QWidget(page);
        (*e.outlet)->setObjectName(e.name);
        grid->addWidget(*e.outlet, 0, 0);
    }
    showPane(tranMainView);
}

void PRTansferViewController::showView(QWidget* host) { putInto(host); }

void PRTansferViewController::showPane(QWidget* shown) {
    view();
    for (QWidget* pane : panes())
        if (pane != shown) pane->setHidden(true);
    shown->setHidden(false);
}

#include "transfer/PROneCopyViewController.h"

#include "app/core/AppState.h"

void PROneCopyViewController::showView(QWidget* host) {
    putInto(host);
    if (const AppState* state = AppState::current()) bookExportPath = state->exportPath();
}

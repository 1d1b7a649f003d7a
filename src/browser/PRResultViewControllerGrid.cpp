// The photos tab as a grid of thumbnails over the photo table's records: the grid shares the
// table's marks, search and filter, and its check boxes update the count of marked files.
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/PRSrollThumView.h"
#include "browser/PRThumbnailModel.h"

#include <QStackedWidget>

void PRResultViewController::buildThumbnailGrid() {
    thumbnailModel = new PRThumbnailModel(photoController, this);
    thumView = new PRSrollThumView(CustomView);
    thumView->setThumbnailModel(thumbnailModel);
    pages_[Photos] = thumView;
    CustomView->addWidget(thumView);
}

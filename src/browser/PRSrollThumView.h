// The photo grid: an icon list of 140-point cells over the thumbnail model, asking the model
// for the thumbnails of the rows on screen and four rows beyond, whenever it scrolls, resizes
// or gets new rows.
#pragma once

#include <QListView>

class PRThumbnailModel;

class PRSrollThumView : public QListView {
public:
    static constexpr int kCell = 140;

    explicit PRSrollThumView(QWidget* parent = nullptr);
    void setThumbnailModel(PRThumbnailModel* model);

    // The cells to load for count records with the top of the view at row position (in rows,
    // fractional), for a grid of columns columns and visibleRows rows on screen: whole rows
    // from the one at the top to four rows past the last one shown, at most count.
    struct Range {
        int first = 0;
        int end = 0;
    };
    static Range getArrayRange(int count, double position, int columns, int visibleRows);
    // Columns the grid really shows (at least 1, also when the view is narrower than a cell).
    int columnCount() const;
    // Asks the model for the rows in view.
    void loadVisible();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    PRThumbnailModel* thumbs_ = nullptr;
};

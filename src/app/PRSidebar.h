// The window's sidebar: fifteen rows while a device is attached, two rows without one. A row is
// a flat button whose background marks the selection, an image and a label; eight rows carry a
// busy indicator of their scan. The delegate wires the rows' clicks to its actions.
#pragma once

#include <QString>
#include <array>

class CircularBusyIndicator;
class QLabel;
class QPushButton;
class QWidget;

class PRSidebar {
public:
    struct Row {
        QPushButton* button = nullptr;
        QLabel* imageView = nullptr;
        QLabel* label = nullptr;
        QString selectedImage;
        QString normalImage;
    };
    static constexpr int kRows = 15;
    static constexpr int kWidth = 250;  // room for a category's title with its size

    // Builds both sidebars, one over the other, in manageDeviceView (a child of parent).
    explicit PRSidebar(QWidget* parent = nullptr);
    PRSidebar(const PRSidebar&) = delete;
    PRSidebar& operator=(const PRSidebar&) = delete;

    // Restyles the rows so that row (0-14, in sidebar order) alone looks selected; any other
    // number leaves none selected.
    void selectRow(int row);
    static void styleRow(const Row& row, bool selected);
    // A row label's text: cut with "..." to the label's width, again whenever the label is
    // resized, the whole text then in its tooltip. rowText gives the whole text back.
    static void setRowText(QLabel* label, const QString& text);
    static QString rowText(const QLabel* label);
    const Row& row(int i) const { return rows_[static_cast<size_t>(i)]; }

    QWidget* manageDeviceView = nullptr;
    QWidget* manageHasDeviceView = nullptr;
    QWidget* manageNoDeviceView = nullptr;
    Row connectDeviceRow;  // the no-device sidebar
    Row disConnectBroswerRow;
    QPushButton *iDeviceStatuBtn = nullptr, *systemlibBtn = nullptr, *appBtn = nullptr, *photoBtn = nullptr,
                *musicBtn = nullptr, *videoBtn = nullptr, *transContactBtn = nullptr, *transMessageBtn = nullptr,
                *transNoteBtn = nullptr, *tempJunkFileBtn = nullptr, *cacheBtn = nullptr, *cookieBtn = nullptr,
                *syncBtn = nullptr, *backupBtn = nullptr, *broswerBtn = nullptr;
    QLabel *iDeviceTextlab = nullptr, *systemlibTextlab = nullptr, *appTextlab = nullptr, *photoTextlab = nullptr,
           *musicTextlab = nullptr, *videoTextlab = nullptr, *transContactTextlab = nullptr,
           *transMessageTextlab = nullptr, *transNoteTextlab = nullptr, *tempJunkFileTextlab = nullptr,
           *cacheTextlab = nullptr, *cookieTextlab = nullptr, *syncTextlab = nullptr, *backupTextlab = nullptr,
           *broswerTextlab = nullptr;
    CircularBusyIndicator *circleSystemProgress = nullptr, *circleAppProgress = nullptr, *circlePhotoProgress = nullptr,
                          *circleMusicProgress = nullptr, *circleVideoProgress = nullptr,
                          *circleContactProgress = nullptr, *circleMessageProgress = nullptr,
                          *circleNoteProgress = nullptr;

private:
    QWidget* buildWithDevice();
    QWidget* buildWithoutDevice();

    std::array<Row, kRows> rows_{};
};

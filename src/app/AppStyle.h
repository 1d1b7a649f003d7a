// Fonts and colours shared by the windows the delegate builds.
#pragma once

#include <QApplication>
#include <QColor>
#include <QFont>

namespace appstyle {
// The platform's sans-serif font at size (window points, one pixel each).
inline QFont sansFont(int size, bool bold = false) {
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(size);
    font.setBold(bold);
    return font;
}

// Sidebar cells.
inline const QColor kSelectedRow{157, 181, 212};
inline const QColor kNormalRow{227, 234, 239};
// Link-styled buttons.
inline const QColor kLinkText{121, 139, 167};
// Plain texts of the pages.
inline const QColor kText{51, 63, 80};
inline const QColor kMutedText{112, 124, 140};
}  // namespace appstyle

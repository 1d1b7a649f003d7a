// Draws every interface image of the application into a folder (resources/images): line icons on
// one grid, one palette and one stroke weight, so that all images share one clean style.
// Usage: make-images <folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <utility>

namespace {

QString g_folder;
int g_written = 0;

// Palette.
const QColor kNavy(36, 52, 77);
const QColor kNavyLight(52, 80, 122);
const QColor kBlue(61, 123, 217);
const QColor kInk(74, 90, 112);
const QColor kPaper(244, 247, 251);
const QColor kBannerGlyph(214, 226, 243);

void save(const QImage& image, const QString& name) {
    const QString file = g_folder + "/" + (name.contains('.') ? name : name + ".png");
    // Names the system gives as TIFF hold PNG data: the reader goes by the content.
    if (!image.save(file, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
        std::exit(1);
    }
    ++g_written;
}

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont font(int pixels, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// ---- Glyphs: drawn in a unit box (0..1), stroked with round caps -----------------------------

using Glyph = std::function<void(QPainter&)>;

QPainterPath roundRect(qreal x, qreal y, qreal w, qreal h, qreal r) {
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

void line(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2) { p.drawLine(QPointF(x1, y1), QPointF(x2, y2)); }

const std::map<QString, Glyph>& glyphs() {
    static const std::map<QString, Glyph> all = {
        {"device",
         [](QPainter& p) {
             p.drawPath(roundRect(0.28, 0.06, 0.44, 0.88, 0.08));
             line(p, 0.44, 0.15, 0.56, 0.15);
             p.drawEllipse(QPointF(0.5, 0.83), 0.035, 0.035);
         }},
        {"disk",
         [](QPainter& p) {
             p.drawEllipse(QRectF(0.1, 0.1, 0.8, 0.8));
             QPainterPath slice;
             slice.moveTo(0.5, 0.5);
             slice.lineTo(0.5, 0.1);
             slice.arcTo(QRectF(0.1, 0.1, 0.8, 0.8), 90, -110);
             slice.closeSubpath();
             p.drawPath(slice);
         }},
        {"broom",
         [](QPainter& p) {
             line(p, 0.78, 0.1, 0.5, 0.52);
             QPainterPath head;
             head.moveTo(0.42, 0.46);
             head.lineTo(0.6, 0.58);
             head.lineTo(0.44, 0.9);
             head.lineTo(0.14, 0.7);
             head.closeSubpath();
             p.drawPath(head);
             line(p, 0.28, 0.8, 0.38, 0.64);
             line(p, 0.36, 0.85, 0.46, 0.68);
         }},
        {"magnifier",
         [](QPainter& p) {
             p.drawEllipse(QRectF(0.12, 0.12, 0.5, 0.5));
             line(p, 0.56, 0.56, 0.86, 0.86);
             line(p, 0.26, 0.37, 0.48, 0.37);
         }},
        {"copy",
         [](QPainter& p) {
             p.drawPath(roundRect(0.14, 0.1, 0.46, 0.58, 0.06));
             p.drawPath(roundRect(0.4, 0.32, 0.46, 0.58, 0.06));
             line(p, 0.52, 0.52, 0.74, 0.52);
             line(p, 0.52, 0.66, 0.74, 0.66);
             line(p, 0.52, 0.78, 0.66, 0.78);
         }},
        {"shield",
         [](QPainter& p) {
             QPainterPath s;
             s.moveTo(0.5, 0.08);
             s.lineTo(0.84, 0.2);
             s.cubicTo(0.84, 0.58, 0.7, 0.8, 0.5, 0.92);
             s.cubicTo(0.3, 0.8, 0.16, 0.58, 0.16, 0.2);
             s.closeSubpath();
             p.drawPath(s);
             QPainterPath tick;
             tick.moveTo(0.34, 0.5);
             tick.lineTo(0.46, 0.62);
             tick.lineTo(0.67, 0.38);
             p.drawPath(tick);
         }},
        {"rocket",
         [](QPainter& p) {
             QPainterPath body;
             body.moveTo(0.5, 0.06);
             body.cubicTo(0.7, 0.22, 0.68, 0.52, 0.62, 0.68);
             body.lineTo(0.38, 0.68);
             body.cubicTo(0.32, 0.52, 0.3, 0.22, 0.5, 0.06);
             body.closeSubpath();
             p.drawPath(body);
             p.drawEllipse(QPointF(0.5, 0.34), 0.07, 0.07);
             line(p, 0.38, 0.6, 0.24, 0.76);
             line(p, 0.62, 0.6, 0.76, 0.76);
             line(p, 0.5, 0.78, 0.5, 0.92);
         }},
        {"photo",
         [](QPainter& p) {
             p.drawPath(roundRect(0.1, 0.18, 0.8, 0.64, 0.08));
             QPainterPath hills;
             hills.moveTo(0.14, 0.74);
             hills.lineTo(0.38, 0.48);
             hills.lineTo(0.56, 0.66);
             hills.lineTo(0.66, 0.56);
             hills.lineTo(0.86, 0.76);
             p.drawPath(hills);
             p.drawEllipse(QPointF(0.68, 0.36), 0.06, 0.06);
         }},
        {"music",
         [](QPainter& p) {
             p.drawEllipse(QPointF(0.3, 0.76), 0.11, 0.09);
             p.drawEllipse(QPointF(0.72, 0.66), 0.11, 0.09);
             line(p, 0.41, 0.76, 0.41, 0.2);
             line(p, 0.83, 0.66, 0.83, 0.1);
             line(p, 0.41, 0.2, 0.83, 0.1);
             line(p, 0.41, 0.32, 0.83, 0.22);
         }},
        {"book",
         [](QPainter& p) {
             QPainterPath b;
             b.moveTo(0.5, 0.24);
             b.cubicTo(0.38, 0.16, 0.22, 0.16, 0.1, 0.2);
             b.lineTo(0.1, 0.82);
             b.cubicTo(0.22, 0.78, 0.38, 0.78, 0.5, 0.86);
             b.cubicTo(0.62, 0.78, 0.78, 0.78, 0.9, 0.82);
             b.lineTo(0.9, 0.2);
             b.cubicTo(0.78, 0.16, 0.62, 0.16, 0.5, 0.24);
             b.closeSubpath();
             p.drawPath(b);
             line(p, 0.5, 0.24, 0.5, 0.86);
         }},
        {"video",
         [](QPainter& p) {
             p.drawPath(roundRect(0.08, 0.24, 0.6, 0.52, 0.08));
             QPainterPath lens;
             lens.moveTo(0.68, 0.44);
             lens.lineTo(0.92, 0.3);
             lens.lineTo(0.92, 0.7);
             lens.lineTo(0.68, 0.56);
             p.drawPath(lens);
         }},
        {"apps",
         [](QPainter& p) {
             for (int r = 0; r < 2; ++r)
                 for (int c = 0; c < 2; ++c) p.drawPath(roundRect(0.12 + c * 0.42, 0.12 + r * 0.42, 0.34, 0.34, 0.08));
         }},
        {"gear",
         [](QPainter& p) {
             p.drawEllipse(QPointF(0.5, 0.5), 0.12, 0.12);
             p.drawEllipse(QPointF(0.5, 0.5), 0.28, 0.28);
             for (int i = 0; i < 8; ++i) {
                 const double a = i * M_PI / 4;
                 line(p, 0.5 + 0.28 * std::cos(a), 0.5 + 0.28 * std::sin(a), 0.5 + 0.4 * std::cos(a),
                      0.5 + 0.4 * std::sin(a));
             }
         }},
        {"folder",
         [](QPainter& p) {
             QPainterPath f;
             f.moveTo(0.1, 0.24);
             f.lineTo(0.38, 0.24);
             f.lineTo(0.46, 0.34);
             f.lineTo(0.9, 0.34);
             f.lineTo(0.9, 0.8);
             f.lineTo(0.1, 0.8);
             f.closeSubpath();
             p.drawPath(f);
             line(p, 0.1, 0.44, 0.9, 0.44);
         }},
        {"person",
         [](QPainter& p) {
             p.drawEllipse(QPointF(0.5, 0.34), 0.16, 0.16);
             QPainterPath b;
             b.moveTo(0.18, 0.88);
             b.cubicTo(0.2, 0.62, 0.8, 0.62, 0.82, 0.88);
             p.drawPath(b);
         }},
        {"bubble",
         [](QPainter& p) {
             QPainterPath b;
             b.addRoundedRect(QRectF(0.1, 0.16, 0.8, 0.54), 0.16, 0.16);
             p.drawPath(b);
             QPainterPath tail;
             tail.moveTo(0.28, 0.7);
             tail.lineTo(0.22, 0.88);
             tail.lineTo(0.46, 0.7);
             p.drawPath(tail);
             line(p, 0.26, 0.36, 0.74, 0.36);
             line(p, 0.26, 0.5, 0.6, 0.5);
         }},
        {"note",
         [](QPainter& p) {
             p.drawPath(roundRect(0.18, 0.08, 0.64, 0.84, 0.06));
             for (int i = 0; i < 4; ++i) line(p, 0.3, 0.28 + i * 0.15, i == 3 ? 0.56 : 0.7, 0.28 + i * 0.15);
         }},
        {"trash",
         [](QPainter& p) {
             line(p, 0.14, 0.24, 0.86, 0.24);
             line(p, 0.4, 0.24, 0.42, 0.12);
             line(p, 0.42, 0.12, 0.58, 0.12);
             line(p, 0.58, 0.12, 0.6, 0.24);
             QPainterPath can;
             can.moveTo(0.22, 0.24);
             can.lineTo(0.28, 0.9);
             can.lineTo(0.72, 0.9);
             can.lineTo(0.78, 0.24);
             p.drawPath(can);
             line(p, 0.42, 0.38, 0.43, 0.76);
             line(p, 0.58, 0.38, 0.57, 0.76);
         }},
        {"cache",
         [](QPainter& p) {
             p.drawEllipse(QRectF(0.16, 0.1, 0.68, 0.2));
             line(p, 0.16, 0.2, 0.16, 0.8);
             line(p, 0.84, 0.2, 0.84, 0.8);
             QPainterPath mid, bottom;
             mid.moveTo(0.16, 0.5);
             mid.arcTo(QRectF(0.16, 0.4, 0.68, 0.2), 180, 180);
             bottom.moveTo(0.16, 0.8);
             bottom.arcTo(QRectF(0.16, 0.7, 0.68, 0.2), 180, 180);
             p.drawPath(mid);
             p.drawPath(bottom);
         }},
        {"cookie",
         [](QPainter& p) {
             QPainterPath c;
             c.moveTo(0.9, 0.5);
             c.arcTo(QRectF(0.1, 0.1, 0.8, 0.8), 0, 300);
             c.cubicTo(0.74, 0.2, 0.72, 0.34, 0.9, 0.5);
             p.drawPath(c);
             const QPointF dots[] = {{0.36, 0.4}, {0.56, 0.58}, {0.34, 0.66}, {0.6, 0.34}};
             p.save();
             p.setBrush(p.pen().color());
             for (QPointF d : dots) p.drawEllipse(d, 0.035, 0.035);
             p.restore();
         }},
        {"sync",
         [](QPainter& p) {
             QPainterPath a, b;
             a.arcMoveTo(QRectF(0.14, 0.14, 0.72, 0.72), 160);
             a.arcTo(QRectF(0.14, 0.14, 0.72, 0.72), 160, -150);
             b.arcMoveTo(QRectF(0.14, 0.14, 0.72, 0.72), 340);
             b.arcTo(QRectF(0.14, 0.14, 0.72, 0.72), 340, -150);
             p.drawPath(a);
             p.drawPath(b);
             line(p, 0.84, 0.38, 0.86, 0.54);
             line(p, 0.86, 0.54, 0.72, 0.46);
             line(p, 0.16, 0.62, 0.14, 0.46);
             line(p, 0.14, 0.46, 0.28, 0.54);
         }},
        {"backup",
         [](QPainter& p) {
             QPainterPath tray;
             tray.moveTo(0.12, 0.6);
             tray.lineTo(0.12, 0.86);
             tray.lineTo(0.88, 0.86);
             tray.lineTo(0.88, 0.6);
             p.drawPath(tray);
             line(p, 0.5, 0.1, 0.5, 0.64);
             line(p, 0.32, 0.46, 0.5, 0.64);
             line(p, 0.68, 0.46, 0.5, 0.64);
         }},
        {"history",
         [](QPainter& p) {
             QPainterPath arc;
             arc.arcMoveTo(QRectF(0.12, 0.12, 0.76, 0.76), 150);
             arc.arcTo(QRectF(0.12, 0.12, 0.76, 0.76), 150, -300);
             p.drawPath(arc);
             line(p, 0.17, 0.31, 0.17, 0.16);
             line(p, 0.17, 0.31, 0.31, 0.33);
             line(p, 0.5, 0.3, 0.5, 0.52);
             line(p, 0.5, 0.52, 0.64, 0.62);
         }},
        {"plug",
         [](QPainter& p) {
             p.drawPath(roundRect(0.3, 0.3, 0.4, 0.3, 0.06));
             line(p, 0.42, 0.3, 0.42, 0.12);
             line(p, 0.58, 0.3, 0.58, 0.12);
             QPainterPath cable;
             cable.moveTo(0.5, 0.6);
             cable.cubicTo(0.5, 0.8, 0.3, 0.78, 0.3, 0.92);
             p.drawPath(cable);
         }},
        {"sliders",
         [](QPainter& p) {
             for (int i = 0; i < 3; ++i) {
                 const qreal y = 0.24 + i * 0.26;
                 line(p, 0.12, y, 0.88, y);
                 const qreal x = i == 1 ? 0.64 : (i == 0 ? 0.34 : 0.46);
                 p.save();
                 p.setBrush(p.background());
                 p.drawEllipse(QPointF(x, y), 0.07, 0.07);
                 p.restore();
             }
         }},
        {"minus", [](QPainter& p) { line(p, 0.3, 0.5, 0.7, 0.5); }},
    };
    return all;
}

// Draws glyph kind into box with color and a stroke of weight (fraction of the box).
void drawGlyph(QPainter& painter, const QString& kind, const QRectF& box, const QColor& color, qreal weight = 0.075,
               const QColor& hole = Qt::transparent) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width(), box.height());
    QPen pen(color, weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setBackground(hole);
    glyphs().at(kind)(painter);
    painter.restore();
}

void caption(QPainter& p, const QRectF& box, const QString& text, const QColor& color, int pixels, bool bold = false) {
    p.save();
    p.setPen(color);
    p.setFont(font(pixels, bold));
    p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
    p.restore();
}

// ---- Image families --------------------------------------------------------------------------

// Banner entries, 96 x 84: glyph above a caption, on the dark banner.
void bannerButton(const QString& base, const QString& nom, const QString& enter, const QString& down,
                  const QString& kind, const QString& text) {
    enum State { Nom, Enter, Down };
    const QString names[] = {nom, enter, down};
    for (int s = Nom; s <= Down; ++s) {
        QImage image = canvas(96, 84);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QColor glyph = kBannerGlyph, textColor = kBannerGlyph;
        if (s == Enter) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 34));
            p.drawRoundedRect(QRectF(3, 3, 90, 78), 10, 10);
            glyph = textColor = Qt::white;
        } else if (s == Down) {
            QLinearGradient g(0, 3, 0, 81);
            g.setColorAt(0, QColor(250, 252, 255));
            g.setColorAt(1, QColor(226, 235, 247));
            p.setPen(QPen(QColor(255, 255, 255, 200), 1));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(3.5, 3.5, 89, 77), 10, 10);
            glyph = kBlue;
            textColor = kNavy;
        }
        drawGlyph(p, kind, QRectF(28, 10, 40, 40), glyph, 0.07);
        caption(p, QRectF(0, 56, 96, 20), text, textColor, 11);
        p.end();
        save(image, base + names[s]);
    }
}

// Overview category tiles, 72 x 72, in the category's colour.
void tile(const QString& base, const QString& kind, const QString& text, const QColor& color) {
    for (int hover = 0; hover < 2; ++hover) {
        QImage image = canvas(72, 72);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(hover ? color.darker(110) : QColor(210, 218, 228), 1));
        p.setBrush(hover ? color : QColor(255, 255, 255));
        p.drawRoundedRect(QRectF(1.5, 1.5, 69, 69), 12, 12);
        drawGlyph(p, kind, QRectF(20, 9, 32, 32), hover ? QColor(Qt::white) : color.darker(115), 0.08);
        caption(p, QRectF(0, 48, 72, 18), text, hover ? QColor(Qt::white) : kInk, 9, true);
        p.end();
        save(image, base + (hover ? "_Enter.png" : "_Nom.png"));
    }
}

// The icons of the system apps in the disk manager's list, 72 x 72: a white glyph on a
// rounded tile of the app's colour.
void systemAppIcon(const QString& name, const QString& kind, const QColor& color) {
    QImage image = canvas(72, 72);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 72);
    fill.setColorAt(0, color.lighter(118));
    fill.setColorAt(1, color.darker(112));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, 68, 68), 15, 15);
    drawGlyph(p, kind, QRectF(16, 16, 40, 40), Qt::white, 0.08, color);
    p.end();
    save(image, name);
}

// Sidebar row icons, 40 x 40 (shown at 20): ink when normal, white when the row is selected.
void sidebarIcon(const QString& normal, const QString& selected, const QString& kind) {
    for (int on = 0; on < 2; ++on) {
        QImage image = canvas(40, 40);
        QPainter p(&image);
        drawGlyph(p, kind, QRectF(3, 3, 34, 34), on ? QColor(Qt::white) : kInk, 0.09,
                  on ? QColor(157, 181, 212) : QColor(227, 234, 239));
        p.end();
        save(image, on ? selected : normal);
    }
}

// Preferences tabs, 84 x 60.
void prefTab(const QString& base, const QString& kind, const QString& text) {
    for (int down = 0; down < 2; ++down) {
        QImage image = canvas(84, 60);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        if (down) {
            p.setPen(QPen(QColor(184, 201, 224), 1));
            p.setBrush(QColor(214, 226, 242));
            p.drawRoundedRect(QRectF(1.5, 1.5, 81, 57), 8, 8);
        }
        drawGlyph(p, kind, QRectF(28, 6, 28, 28), down ? kBlue : kInk, 0.08,
                  down ? QColor(214, 226, 242) : QColor(236, 240, 244));
        caption(p, QRectF(0, 38, 84, 18), text, down ? kNavy : kInk, 10);
        p.end();
        save(image, base + (down ? "Down.png" : "Nom.png"));
    }
}

// Title-bar buttons: the flat modern set and the glossy older set, 28 x 28 (shown at 14).
void titleButton(const QString& name, const QColor& color, bool glossy, bool pressed, const QString& mark = {}) {
    QImage image = canvas(28, 28);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = pressed ? color.darker(130) : color;
    if (glossy) {
        QRadialGradient g(QPointF(14, 9), 16);
        g.setColorAt(0, fill.lighter(150));
        g.setColorAt(1, fill.darker(115));
        p.setBrush(g);
        p.setPen(QPen(fill.darker(160), 1.5));
    } else {
        p.setBrush(fill);
        p.setPen(QPen(fill.darker(125), 1.2));
    }
    p.drawEllipse(QRectF(2, 2, 24, 24));
    if (!mark.isEmpty()) {
        QPen pen(QColor(0, 0, 0, pressed ? 150 : 90), 2.2, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        if (mark == "x") {
            line(p, 9.5, 9.5, 18.5, 18.5);
            line(p, 18.5, 9.5, 9.5, 18.5);
        } else if (mark == "-") {
            line(p, 8.5, 14, 19.5, 14);
        } else {
            line(p, 14, 8.5, 14, 19.5);
            line(p, 8.5, 14, 19.5, 14);
        }
    }
    p.end();
    save(image, name);
}

QImage gradientStrip(int w, int h, const QColor& top, const QColor& bottom) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(image.rect(), g);
    return image;
}

void backgrounds() {
    {  // title strip
        QImage image = gradientStrip(980, 30, QColor(46, 62, 88), QColor(31, 43, 62));
        QPainter p(&image);
        p.setPen(QColor(255, 255, 255, 30));
        p.drawLine(0, 0, 980, 0);
        p.setPen(QColor(0, 0, 0, 80));
        p.drawLine(0, 29, 980, 29);
        p.end();
        save(image, "WindowTopImage.png");
    }
    {  // banner: deep blue with a soft light from the left
        QImage image = gradientStrip(980, 90, kNavyLight, kNavy);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QRadialGradient glow(QPointF(120, 10), 420);
        glow.setColorAt(0, QColor(120, 170, 240, 70));
        glow.setColorAt(1, QColor(120, 170, 240, 0));
        p.fillRect(image.rect(), glow);
        p.setPen(QPen(QColor(255, 255, 255, 14), 1));
        for (int x = -90; x < 980; x += 18) p.drawLine(QPointF(x, 90), QPointF(x + 90, 0));
        p.setPen(QColor(0, 0, 0, 90));
        p.drawLine(0, 89, 980, 89);
        p.end();
        save(image, "topInfoImage.png");
    }
    {  // window bottom strip
        QImage image = gradientStrip(980, 24, QColor(222, 228, 235), QColor(204, 212, 222));
        QPainter p(&image);
        p.setPen(QColor(176, 186, 200));
        p.drawLine(0, 0, 980, 0);
        p.end();
        save(image, "bottom.png");
    }
    {  // sidebar
        QImage image = gradientStrip(190, 490, QColor(236, 240, 245), QColor(223, 230, 237));
        QPainter p(&image);
        p.setPen(QColor(196, 206, 218));
        p.drawLine(189, 0, 189, 490);
        p.end();
        save(image, "leftground.png");
    }
    {  // page area background
        QImage image = gradientStrip(790, 490, QColor(255, 255, 255), QColor(241, 244, 248));
        save(image, "bottomGroundImage.png");
    }
    {  // the strip under the pages
        QImage image = gradientStrip(790, 24, QColor(214, 222, 232), QColor(200, 210, 222));
        QPainter p(&image);
        p.setPen(QColor(255, 255, 255, 120));
        p.drawLine(0, 1, 790, 1);
        p.end();
        save(image, "mainBottomImage.png");
    }
    {  // the no-device page's footer
        QImage image = gradientStrip(790, 36, QColor(246, 248, 251), QColor(232, 237, 243));
        QPainter p(&image);
        p.setPen(QColor(214, 222, 232));
        p.drawLine(0, 0, 790, 0);
        p.end();
        save(image, "noDeviceBottom.png");
    }
    {  // the backup list header
        QImage image = gradientStrip(740, 56, QColor(235, 242, 252), QColor(219, 231, 247));
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(190, 206, 228), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(0.5, 0.5, 739, 55), 8, 8);
        drawGlyph(p, "history", QRectF(14, 10, 36, 36), kBlue, 0.08);
        p.end();
        save(image, "windowContentImage.png");
    }
}

void devicePictures() {
    {  // the attached device, 130 x 240
        QImage image = canvas(260, 480);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2, 2);
        QLinearGradient body(0, 0, 130, 240);
        body.setColorAt(0, QColor(64, 72, 86));
        body.setColorAt(1, QColor(28, 33, 42));
        p.setPen(QPen(QColor(150, 160, 175), 1.5));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(6, 2, 118, 236), 18, 18);
        QLinearGradient screen(0, 24, 0, 206);
        screen.setColorAt(0, QColor(96, 150, 230));
        screen.setColorAt(1, QColor(46, 88, 160));
        p.setPen(Qt::NoPen);
        p.setBrush(screen);
        p.drawRect(QRectF(14, 28, 102, 176));
        p.setBrush(QColor(255, 255, 255, 40));
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) p.drawRoundedRect(QRectF(22 + c * 23, 38 + r * 30, 17, 17), 4, 4);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(120, 130, 145), 1.5));
        p.drawEllipse(QPointF(65, 220), 8, 8);
        p.drawLine(QPointF(55, 15), QPointF(75, 15));
        p.end();
        save(image, "iDeviceImage.png");
    }
    // The pictures of a backup's model in the backup list, 32 x 32: a phone and a tablet.
    for (const auto& [name, size] : {std::pair<const char*, QSizeF>{"iphone", {16, 28}}, {"ipad", {24, 30}}}) {
        QImage image = canvas(64, 64);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2, 2);
        const QRectF body((32 - size.width()) / 2, (32 - size.height()) / 2, size.width(), size.height());
        p.setPen(QPen(QColor(150, 160, 175), 1));
        p.setBrush(QColor(46, 52, 64));
        p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), 3.5, 3.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(96, 150, 230));
        p.drawRect(body.adjusted(2, 4, -2, -5));
        p.setBrush(QColor(150, 160, 175));
        p.drawEllipse(QPointF(body.center().x(), body.bottom() - 2.5), 1.2, 1.2);
        p.end();
        save(image, name);
    }
    {  // no device: a device, its cable and the computer's port, 300 x 220
        QImage image = canvas(600, 440);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2, 2);
        p.setPen(QPen(QColor(170, 182, 198), 2.5));
        p.setBrush(QColor(248, 250, 253));
        p.drawRoundedRect(QRectF(60, 20, 84, 160), 14, 14);
        p.setBrush(QColor(226, 234, 244));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(67, 38, 70, 120));
        p.setPen(QPen(QColor(170, 182, 198), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(102, 168), 5, 5);
        QPainterPath cable;
        cable.moveTo(102, 180);
        cable.cubicTo(102, 212, 170, 210, 196, 150);
        QPen dashed(kBlue, 3, Qt::DashLine, Qt::RoundCap);
        p.setPen(dashed);
        p.drawPath(cable);
        p.setPen(QPen(kBlue, 2.5));
        p.setBrush(QColor(234, 242, 253));
        p.drawRoundedRect(QRectF(186, 120, 20, 30), 4, 4);
        p.drawLine(QPointF(192, 120), QPointF(192, 110));
        p.drawLine(QPointF(200, 120), QPointF(200, 110));
        p.setPen(QPen(QColor(170, 182, 198), 2.5));
        p.setBrush(QColor(248, 250, 253));
        p.drawRoundedRect(QRectF(214, 60, 80, 60), 6, 6);
        p.drawLine(QPointF(254, 120), QPointF(254, 134));
        p.drawLine(QPointF(236, 136), QPointF(272, 136));
        p.end();
        save(image, "NoDeviceConnect.png");
    }
}

void smallImages() {
    {  // spinner
        QImage image = canvas(64, 64);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 12; ++i) {
            QColor c = kBlue;
            c.setAlphaF(0.15 + 0.85 * i / 11.0);
            p.setPen(QPen(c, 6, Qt::SolidLine, Qt::RoundCap));
            const double a = i * 30 * M_PI / 180;
            p.drawLine(QPointF(32 + 14 * std::cos(a), 32 + 14 * std::sin(a)),
                       QPointF(32 + 26 * std::cos(a), 32 + 26 * std::sin(a)));
        }
        p.end();
        save(image, "load.png");
    }
    {  // remove-this-item mark
        QImage image = canvas(32, 32);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(196, 56, 48), 1.5));
        p.setBrush(QColor(236, 88, 76));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 16), QPointF(22, 16));
        p.end();
        save(image, "uninstall.png");
    }
    {  // the title bar's menu button
        QImage image = canvas(36, 28);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(214, 226, 243), 3, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) p.drawLine(QPointF(6, 6 + i * 8), QPointF(30, 6 + i * 8));
        p.end();
        save(image, "titlebarMenu.png");
    }
}

// Wide action buttons, 150 x 44: a caption on a rounded face; the pressed or busy state is darker.
void actionButton(const QString& name, const QString& text, const QColor& face) {
    QImage image = canvas(150, 44);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 44);
    fill.setColorAt(0, face.lighter(118));
    fill.setColorAt(1, face);
    p.setPen(QPen(face.darker(125), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 1, 148, 42), 21, 21);
    p.setPen(Qt::white);
    p.setFont(font(16, true));
    p.drawText(QRectF(0, 0, 150, 44), Qt::AlignCenter, text);
    p.end();
    save(image, name);
}

void actionButtons() {
    actionButton("scanNom.png", "Scan", kBlue);
    actionButton("scanDown.png", "Scanning...", kBlue.darker(130));
    actionButton("RemoveBtnNom.png", "Remove All", QColor(226, 96, 70));
    actionButton("RemoveBtnDown.png", "Remove All", QColor(226, 96, 70).darker(130));
    actionButton("doneNom.png", "Done", QColor(72, 170, 110));
    actionButton("startNom.png", "Start Copy", kBlue);
    actionButton("startDown.png", "Copying...", kBlue.darker(130));
    save(gradientStrip(400, 28, kNavyLight, kNavy), "tabHeadImage.png");
}

// The app cleaner's row arrows, enabled and not.
void appCleanArrows() {
    for (bool enabled : {true, false}) {
        QImage image = canvas(36, 36);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor colour = enabled ? kBlue : QColor(196, 204, 214);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(2, 2, 32, 32));
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath chevron;
        chevron.moveTo(15, 10);
        chevron.lineTo(23, 18);
        chevron.lineTo(15, 26);
        p.setBrush(Qt::NoBrush);
        p.drawPath(chevron);
        p.end();
        save(image, enabled ? "arrowright.png" : "arrowrightUnNom.png");
    }
}

// The conversation view's pictures: the nine slices of the grey (received) and green (sent)
// bubbles, cut from one rounded bubble with its tail at the bottom, the header strip, the
// stand-ins for attachments, and the guide sheet's three steps.
void conversationImages() {
    const struct {
        const char* prefix;
        QColor face;
        bool tailLeft;
    } bubbles[] = {{"Gry", QColor(229, 229, 234), true}, {"Green", QColor(164, 226, 140), false}};
    for (const auto& b : bubbles) {
        // A 60 x 60 bubble: the slices take 20 (received left) or 17 (sent left) columns.
        QImage whole = canvas(60, 60);
        QPainter p(&whole);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(b.face.darker(112), 1));
        p.setBrush(b.face);
        QPainterPath path;
        const qreal left = b.tailLeft ? 6.5 : 0.5, right = b.tailLeft ? 59.5 : 53.5;
        path.addRoundedRect(QRectF(left, 0.5, right - left, 55), 10, 10);
        QPainterPath tail;
        if (b.tailLeft) {
            tail.moveTo(12, 44);
            tail.quadTo(8, 56, 0.5, 58);
            tail.quadTo(14, 57, 20, 50);
        } else {
            tail.moveTo(48, 44);
            tail.quadTo(52, 56, 59.5, 58);
            tail.quadTo(46, 57, 40, 50);
        }
        p.drawPath(path.united(tail));
        p.end();
        const int l = b.tailLeft ? 20 : 17, r = b.tailLeft ? 16 : 20, t = 17, bt = 16;
        const int xs[] = {0, l, 60 - r}, ws[] = {l, 60 - l - r, r};
        const int ys[] = {0, t, 60 - bt}, hs[] = {t, 60 - t - bt, bt};
        const char* rows[] = {"top", "center", "bottom"};
        const char* cols[] = {"l", "", "r"};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                save(whole.copy(xs[col], ys[row], ws[col], hs[row]),
                     QString(b.prefix) + rows[row] + cols[col] + ".png");
    }
    save(gradientStrip(425, 76, QColor(238, 242, 248), QColor(214, 222, 234)), "chatHead.png");
    auto tileImage = [](const QString& kind, const QColor& color, const QString& name) {
        QImage image = canvas(128, 128);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(color.lighter(160));
        p.drawRoundedRect(QRectF(4, 4, 120, 120), 24, 24);
        drawGlyph(p, kind, QRectF(24, 24, 80, 80), color.darker(110), 0.08);
        p.end();
        save(image, name);
    };
    tileImage("person", QColor(120, 136, 160), "contact.png");
    tileImage("person", QColor(214, 71, 141), "Contact.png");
    tileImage("video", QColor(64, 160, 200), "quicktime.png");
    tileImage("disk", QColor(226, 96, 70), "location.png");

    // Guide steps: a picture (360 x 200) and a numbered title (200 x 40) each.
    const struct {
        const char* pic;
        const char* title;
        const char* glyph;
        const char* text;
    } steps[] = {{"firstSteppic", "firstStep", "device", "1  Reboot"},
                 {"secondStepPic", "secondStep", "backup", "2  Back up"},
                 {"thirdSteppic", "thirdStep", "magnifier", "3  Rescan"}};
    for (const auto& s : steps) {
        QImage pic = canvas(360, 200);
        QPainter p(&pic);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(206, 216, 230), 1));
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(0.5, 0.5, 359, 199), 12, 12);
        drawGlyph(p, s.glyph, QRectF(130, 50, 100, 100), kBlue, 0.06);
        p.end();
        save(pic, QString(s.pic) + ".png");
        QImage title = canvas(200, 40);
        QPainter t(&title);
        t.setRenderHint(QPainter::Antialiasing);
        caption(t, QRectF(0, 8, 200, 30), s.text, kNavy, 20, true);
        t.end();
        save(title, QString(s.title) + ".png");
    }
    actionButton("nextBtn.png", "Next", kBlue);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-images <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    g_folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_folder)) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }

    bannerButton("DeviceManager_", "Nom.png", "Enter.png", "Down.png", "device", "Overview");
    bannerButton("diskmanager", "Nom.png", "Enter.png", "Down.png", "disk", "Disk Manager");
    bannerButton("appcleaner", "Nom.png", "Enter.png", "Down.png", "broom", "App Cleaner");
    bannerButton("findlargefiles", "Nom.png", "Enter.png", "Down.png", "magnifier", "Large Files");
    bannerButton("onecilickcopy", "Nom.png", "Enter.png", "Down.png", "copy", "One-click Copy");
    bannerButton("privacyclean_", "Nom.png", "Enter.png", "Down.png", "shield", "Privacy Clean");
    bannerButton("SystemCleanup_", "Nom.png", "Enter.png", "Down.png", "rocket", "System Boost");

    tile("photos", "photo", "Photos", QColor(255, 128, 110));
    tile("musics", "music", "Music", QColor(90, 152, 246));
    tile("books", "book", "Books", QColor(160, 120, 220));
    tile("videos", "video", "Videos", QColor(64, 200, 160));
    tile("userapps", "apps", "User Apps", QColor(232, 190, 20));
    tile("systemapps", "gear", "System Apps", QColor(120, 136, 160));
    tile("userdata", "folder", "User Data", QColor(214, 71, 141));

    systemAppIcon("appstore.png", "apps", QColor(40, 150, 240));
    systemAppIcon("Passbookapp.tiff", "copy", QColor(60, 70, 90));
    systemAppIcon("Calculatorapp.tiff", "sliders", QColor(90, 90, 96));
    systemAppIcon("Notesapp.tiff", "note", QColor(236, 190, 40));
    systemAppIcon("Photosapp.tiff", "photo", QColor(240, 120, 60));
    systemAppIcon("Messagesapp.tiff", "bubble", QColor(70, 200, 90));
    systemAppIcon("Safariapp.tiff", "magnifier", QColor(30, 130, 230));
    systemAppIcon("Videosapp.tiff", "video", QColor(50, 60, 80));
    systemAppIcon("Musicapp.tiff", "music", QColor(240, 70, 110));
    systemAppIcon("Mailapp.tiff", "note", QColor(40, 120, 240));
    systemAppIcon("Clockapp.tiff", "history", QColor(30, 30, 36));
    systemAppIcon("Mapsapp.tiff", "plug", QColor(80, 180, 120));
    systemAppIcon("Contactsapp.tiff", "person", QColor(150, 150, 160));
    systemAppIcon("Settingsapp.tiff", "gear", QColor(130, 136, 146));
    systemAppIcon("Game Centerapp.tiff", "rocket", QColor(160, 90, 210));
    systemAppIcon("FaceTimeapp.tiff", "video", QColor(60, 190, 80));
    systemAppIcon("Phoneapp.tiff", "device", QColor(70, 200, 90));
    systemAppIcon("Calendar Officialapp.tiff", "history", QColor(230, 70, 60));
    systemAppIcon("Cameraapp.tiff", "photo", QColor(110, 116, 126));
    systemAppIcon("Weatherapp.tiff", "disk", QColor(50, 150, 230));
    systemAppIcon("Remindersapp.tiff", "note", QColor(240, 140, 40));
    // The picture of a track in the disk manager's music and video panes.
    systemAppIcon("defaultMuisc.png", "music", QColor(226, 72, 112));

    sidebarIcon("iDeviceStartup01", "iDeviceStartup02", "device");
    sidebarIcon("SystemLibrary01", "SystemLibrary02", "gear");
    sidebarIcon("app01", "app02", "apps");
    sidebarIcon("photos01", "photos02", "photo");
    sidebarIcon("music01", "music02", "music");
    sidebarIcon("videos01", "videos02", "video");
    sidebarIcon("transContactNom", "transContactDown", "person");
    sidebarIcon("transMessageNom", "transMessageDown", "bubble");
    sidebarIcon("transNoteNom", "transNoteDown", "note");
    sidebarIcon("TempJunkFiles01", "TempJunkFiles02", "trash");
    sidebarIcon("CacheFiles01", "CacheFiles02", "cache");
    sidebarIcon("CookiesScriptFiles01", "CookiesScriptFiles02", "cookie");
    sidebarIcon("SyncfailedMedia01", "SyncfailedMedia02", "sync");
    sidebarIcon("BackupiDevice01", "BackupiDevice02", "backup");
    sidebarIcon("BackupBroswer01", "BackupBroswer02", "history");
    sidebarIcon("ConnectDevice01", "ConnectDevice02", "plug");

    prefTab("general", "sliders", "General");
    prefTab("cleanup", "broom", "Cleanup");
    prefTab("oneclickcopySmall", "copy", "One-click Copy");

    const QColor red(255, 95, 87), yellow(254, 188, 46), green(40, 200, 64);
    titleButton("Close_Nom.png", red, false, false);
    titleButton("Close_Down.png", red, false, true, "x");
    titleButton("Min_Nom.png", yellow, false, false);
    titleButton("Resize_Nom.png", green, false, false);
    titleButton("titlebarred.png", red, true, false);
    titleButton("titlebarreddown.png", red, true, true, "x");
    titleButton("titlebaryellow.png", yellow, true, false);
    titleButton("titlebargreen.png", green, true, false);

    backgrounds();
    devicePictures();
    smallImages();
    actionButtons();
    appCleanArrows();
    conversationImages();

    std::printf("%d images written to %s\n", g_written, argv[1]);
    return 0;
}

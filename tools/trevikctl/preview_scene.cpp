#include "preview_scene.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QtMath>
#include <algorithm>

namespace {

constexpr qreal kMargin = 20, kGap = 20, kPadding = 12, kTitle = 26;
constexpr qreal kInnerWidth = 380, kInnerHeight = 240;
constexpr qreal kPanelWidth = kInnerWidth + 2 * kPadding;
constexpr qreal kPanelHeight = kInnerHeight + kTitle + kPadding;
constexpr qreal kInset = 3; // a stretch sits just inside its edge, clear of a neighbour's

const QColor kPalette[] = {QColor(0xd6, 0x27, 0x28), QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c),
                           QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                           QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};

int columnsFor(int ports)
{
    return ports <= 2 ? ports : ports <= 4 ? 2 : 4;
}

// The stretch of a passage end on its screen's edge, in scene units.
QLineF stretchLine(const QRectF& screen, qreal scale, const LayoutPassageEnd& end)
{
    const qreal a = end.from * scale, b = (end.to + 1) * scale;
    switch (end.side) {
    case 'T': return QLineF(screen.left() + a, screen.top() + kInset, screen.left() + b, screen.top() + kInset);
    case 'B': return QLineF(screen.left() + a, screen.bottom() - kInset, screen.left() + b, screen.bottom() - kInset);
    case 'L': return QLineF(screen.left() + kInset, screen.top() + a, screen.left() + kInset, screen.top() + b);
    default: return QLineF(screen.right() - kInset, screen.top() + a, screen.right() - kInset, screen.top() + b);
    }
}

// A passage's number sits inside its screen beside a quarter of its stretch: clear of the
// neighbour's number and of the screen's own name in the middle.
QPointF labelPoint(const QLineF& stretch, char side)
{
    const QPointF at = stretch.pointAt(0.25);
    switch (side) {
    case 'T': return at + QPointF(-4, 17);
    case 'B': return at + QPointF(-4, -7);
    case 'L': return at + QPointF(6, 5);
    default: return at + QPointF(-22, 5);
    }
}

QPolygonF arrowHead(const QLineF& line)
{
    const qreal angle = qDegreesToRadians(line.angle());
    const QPointF tip = line.p2();
    const auto wing = [&](qreal turn) {
        return tip - QPointF(10 * qCos(angle + turn), -10 * qSin(angle + turn));
    };
    return QPolygonF({tip, wing(0.4), wing(-0.4)});
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

Scene layoutScene(const KmcLayout& layout)
{
    Scene scene;
    const int columns = std::max(1, columnsFor(layout.ports));
    const int rows = (layout.ports + columns - 1) / columns;
    scene.size = QSizeF(2 * kMargin + columns * kPanelWidth + (columns - 1) * kGap,
                        2 * kMargin + rows * kPanelHeight + (rows - 1) * kGap);

    // One scale for every port, so sizes compare across panels; each port's desktop starts
    // at its own least column and row (negative positions included).
    QList<QRectF> desktops;
    qreal scale = 1e9;
    for (int port = 1; port <= layout.ports; ++port) {
        QRectF desktop;
        for (const LayoutScreen& s : layout.screens) {
            if (s.port == port)
                desktop |= QRectF(s.x, s.y, s.width, s.height);
        }
        desktops << desktop;
        if (!desktop.isEmpty())
            scale = std::min({scale, kInnerWidth / desktop.width(), kInnerHeight / desktop.height()});
    }

    QHash<QPair<int, int>, QRectF> screenRects;
    for (int port = 1; port <= layout.ports; ++port) {
        const int column = (port - 1) % columns, row = (port - 1) / columns;
        const QPointF corner(kMargin + column * (kPanelWidth + kGap), kMargin + row * (kPanelHeight + kGap));
        SceneShape panel {SceneShape::Panel, QRectF(corner, QSizeF(kPanelWidth, kPanelHeight)), {},
                          QStringLiteral("Port %1").arg(port), {}, {}, port};
        const QPointF inner = corner + QPointF(kPadding, kTitle);
        if (desktops[port - 1].isEmpty())
            panel.detail = QStringLiteral("no screens");
        scene.shapes << panel;
        for (const LayoutScreen& s : layout.screens) {
            if (s.port != port)
                continue;
            const QRectF rect(inner + (QPointF(s.x, s.y) - desktops[port - 1].topLeft()) * scale,
                              QSizeF(s.width, s.height) * scale);
            screenRects.insert({s.port, s.screen}, rect);
            SceneShape screen {SceneShape::Screen, rect, {}, QString::number(s.screen),
                               QStringLiteral("%1x%2").arg(s.width).arg(s.height), {}, port, s.screen};
            scene.shapes << screen;
        }
    }

    for (const LayoutPassage& p : layout.passages) {
        const QColor colour = kPalette[(p.number - 1) % int(std::size(kPalette))];
        QLineF stretches[2];
        for (int e = 0; e < 2; ++e) {
            const LayoutPassageEnd& end = p.ends[e];
            stretches[e] = stretchLine(screenRects.value({end.port, end.screen}), scale, end);
            scene.shapes << SceneShape {SceneShape::Stretch, {}, stretches[e], {}, {}, colour,
                                        end.port, end.screen, p.number, e + 1};
            scene.shapes << SceneShape {SceneShape::Label, QRectF(labelPoint(stretches[e], end.side), QSizeF()),
                                        {}, QString::number(p.number), {}, colour, end.port, end.screen,
                                        p.number, e + 1};
        }
        scene.shapes << SceneShape {SceneShape::Arrow, {}, QLineF(stretches[0].center(), stretches[1].center()),
                                    {}, {}, colour, 0, 0, p.number};
    }
    return scene;
}

Scene messageScene(const QString& message)
{
    Scene scene;
    scene.size = QSizeF(2 * kMargin + kPanelWidth * 2 + kGap, 2 * kMargin + kPanelHeight / 2);
    SceneShape shape {SceneShape::Message, QRectF(QPointF(0, 0), scene.size), {}, message, {}, {}};
    scene.shapes << shape;
    return scene;
}

QByteArray sceneToSvg(const Scene& scene)
{
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                                 "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\">\n"
                                 "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n")
                      .arg(scene.size.width())
                      .arg(scene.size.height());
    for (const SceneShape& s : scene.shapes) {
        const QRectF& r = s.rect;
        const QLineF& l = s.line;
        switch (s.kind) {
        case SceneShape::Panel:
            svg += QStringLiteral("<g class=\"panel\" data-port=\"%1\"><rect x=\"%2\" y=\"%3\" width=\"%4\" "
                                  "height=\"%5\" fill=\"#f4f4f4\" stroke=\"#999\"/><text x=\"%6\" y=\"%7\" "
                                  "font-size=\"15\" font-weight=\"bold\">%8</text><text x=\"%9\" y=\"%10\" text-anchor=\"middle\" "
                                  "font-size=\"13\" fill=\"#888\">%11</text></g>\n")
                       .arg(s.port).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                       .arg(r.x() + kPadding).arg(r.y() + 18).arg(escaped(s.text))
                       .arg(r.center().x()).arg(r.center().y()).arg(escaped(s.detail));
            break;
        case SceneShape::Screen:
            svg += QStringLiteral("<g class=\"screen\" data-port=\"%1\" data-screen=\"%2\" data-size=\"%3\">"
                                  "<rect x=\"%4\" y=\"%5\" width=\"%6\" height=\"%7\" fill=\"#dde8f4\" "
                                  "stroke=\"#345\"/><text x=\"%8\" y=\"%9\" text-anchor=\"middle\" font-size=\"11\">"
                                  "<tspan>Screen %2</tspan><tspan x=\"%8\" dy=\"13\">%3</tspan></text></g>\n")
                       .arg(s.port).arg(s.screen).arg(s.detail).arg(r.x()).arg(r.y()).arg(r.width())
                       .arg(r.height()).arg(r.center().x()).arg(r.center().y() - 2);
            break;
        case SceneShape::Stretch:
            svg += QStringLiteral("<line class=\"stretch\" data-passage=\"%1\" data-end=\"%2\" data-port=\"%3\" "
                                  "data-screen=\"%4\" x1=\"%5\" y1=\"%6\" x2=\"%7\" y2=\"%8\" stroke=\"%9\" "
                                  "stroke-width=\"5\"/>\n")
                       .arg(s.passage).arg(s.end).arg(s.port).arg(s.screen).arg(l.x1()).arg(l.y1())
                       .arg(l.x2()).arg(l.y2()).arg(s.colour.name());
            break;
        case SceneShape::Arrow: {
            QString head;
            for (const QPointF& point : arrowHead(l))
                head += QStringLiteral("%1,%2 ").arg(point.x()).arg(point.y());
            svg += QStringLiteral("<g class=\"arrow\" data-passage=\"%1\"><line x1=\"%2\" y1=\"%3\" x2=\"%4\" "
                                  "y2=\"%5\" stroke=\"%6\" stroke-width=\"1.5\"/><polygon points=\"%7\" "
                                  "fill=\"%6\"/></g>\n")
                       .arg(s.passage).arg(l.x1()).arg(l.y1()).arg(l.x2()).arg(l.y2()).arg(s.colour.name())
                       .arg(head.trimmed());
            break;
        }
        case SceneShape::Label:
            svg += QStringLiteral("<text class=\"label\" data-passage=\"%1\" x=\"%2\" y=\"%3\" fill=\"%4\" "
                                  "font-size=\"13\" font-weight=\"bold\">%5</text>\n")
                       .arg(s.passage).arg(r.x()).arg(r.y()).arg(s.colour.name()).arg(escaped(s.text));
            break;
        case SceneShape::Message:
            svg += QStringLiteral("<text class=\"message\" x=\"%1\" y=\"%2\" text-anchor=\"middle\" "
                                  "font-size=\"16\" fill=\"#b00\">%3</text>\n")
                       .arg(r.center().x()).arg(r.center().y()).arg(escaped(s.text));
            break;
        }
    }
    return (svg + QStringLiteral("</svg>\n")).toUtf8();
}

QByteArray sceneToPng(const Scene& scene, qreal scale)
{
    QImage image((scene.size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    const auto useFont = [&painter](int pixels, bool bold) {
        QFont font(QStringLiteral("sans-serif"));
        font.setPixelSize(pixels);
        font.setBold(bold);
        painter.setFont(font);
    };
    for (const SceneShape& s : scene.shapes) {
        switch (s.kind) {
        case SceneShape::Panel:
            painter.setPen(QColor(0x99, 0x99, 0x99));
            painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
            painter.drawRect(s.rect);
            useFont(15, true);
            painter.setPen(Qt::black);
            painter.drawText(s.rect.topLeft() + QPointF(kPadding, 18), s.text);
            useFont(13, false);
            painter.setPen(QColor(0x88, 0x88, 0x88));
            painter.drawText(s.rect, Qt::AlignCenter, s.detail);
            break;
        case SceneShape::Screen:
            painter.setPen(QColor(0x33, 0x44, 0x55));
            painter.setBrush(QColor(0xdd, 0xe8, 0xf4));
            painter.drawRect(s.rect);
            useFont(11, false);
            painter.drawText(s.rect, Qt::AlignCenter, QStringLiteral("Screen %1\n%2").arg(s.text, s.detail));
            break;
        case SceneShape::Stretch:
            painter.setPen(QPen(s.colour, 5, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(s.line);
            break;
        case SceneShape::Arrow:
            painter.setPen(QPen(s.colour, 1.5));
            painter.drawLine(s.line);
            painter.setBrush(s.colour);
            painter.drawPolygon(arrowHead(s.line));
            break;
        case SceneShape::Label:
            useFont(13, true);
            painter.setPen(s.colour);
            painter.drawText(s.rect.topLeft(), s.text);
            break;
        case SceneShape::Message:
            useFont(16, false);
            painter.setPen(QColor(0xbb, 0, 0));
            painter.drawText(s.rect, Qt::AlignCenter, s.text);
            break;
        }
    }
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? png : QByteArray();
}

#include "preview_scene.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QtMath>
#include <algorithm>
#include <cmath>

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

// Where a passage's number may go, best first: inside its screen just beside a quarter of its
// stretch (clear of the neighbour's number and of the screen's name in the middle), then
// elsewhere along the stretch, then just outside the edge.
QList<QRectF> labelSpots(const QLineF& stretch, char side, const QSizeF& size)
{
    constexpr qreal kClear = 8; // from the edge to the number: past the stretch and its air
    QList<QRectF> spots;
    for (bool inside : {true, false}) {
        for (qreal along : {0.25, 0.75, 0.5, 0.1, 0.9}) {
            const QPointF at = stretch.pointAt(along);
            QRectF box(QPointF(), size);
            box.moveCenter(at);
            const qreal edge = (side == 'T' || side == 'L' ? -1 : 1) * kInset; // back onto the edge
            switch (side) {
            case 'T':
            case 'B': {
                const qreal y = at.y() + edge, down = (side == 'T') == inside ? 1 : -1;
                box.moveTop(down > 0 ? y + kClear : y - kClear - size.height());
                break;
            }
            default: {
                const qreal x = at.x() + edge, right = (side == 'L') == inside ? 1 : -1;
                box.moveLeft(right > 0 ? x + kClear : x - kClear - size.width());
                break;
            }
            }
            spots << box;
        }
    }
    return spots;
}

// The band a stretch paints, with a little air.
QRectF stretchBand(const QLineF& stretch)
{
    return QRectF(stretch.p1(), stretch.p2()).normalized().adjusted(-4, -4, 4, 4);
}

// Two lines, the first above the second, sharing one box of room centred on `centre`.
QList<SceneText> twoLines(const QString& first, const QString& second, qreal pixels, const QPointF& centre)
{
    const QSizeF a = textExtent(first, pixels, false), b = textExtent(second, pixels, false);
    constexpr qreal kLeading = 1;
    QRectF block(QPointF(), QSizeF(std::max(a.width(), b.width()), a.height() + kLeading + b.height()));
    block.moveCenter(centre);
    QRectF top(QPointF(), a), bottom(QPointF(), b);
    top.moveCenter(QPointF(centre.x(), block.top() + a.height() / 2));
    bottom.moveCenter(QPointF(centre.x(), block.bottom() - b.height() / 2));
    return {SceneText {first, pixels, false, top}, SceneText {second, pixels, false, bottom}};
}

QRectF unitedBoxes(const QList<SceneText>& texts)
{
    QRectF box;
    for (const SceneText& t : texts)
        box |= t.box;
    return box;
}

// A screen's name and resolution: as large as fits inside the screen where nothing else is,
// else small at the free spot of the panel nearest the screen's middle.
QList<SceneText> screenTexts(const SceneShape& screen, TextPlacer& placer, const QRectF& panelArea)
{
    const QString name = QStringLiteral("Screen %1").arg(screen.screen);
    const QRectF inside = screen.rect.adjusted(2, 2, -2, -2);
    for (qreal pixels : {11.0, 10.0, 9.0, 8.0}) {
        const QList<SceneText> lines = twoLines(name, screen.detail, pixels, screen.rect.center());
        if (placer.isFree(unitedBoxes(lines), inside, true)) {
            placer.take(unitedBoxes(lines));
            return lines;
        }
    }
    QList<SceneText> lines = twoLines(name, screen.detail, 9, screen.rect.center());
    const QRectF block = unitedBoxes(lines);
    const QRectF placed = placer.place({block}, screen.rect.center(), panelArea);
    if (!placed.isEmpty()) {
        for (SceneText& line : lines)
            line.box.translate(placed.topLeft() - block.topLeft());
    }
    return lines;
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

// A line of text centred in its room; `attributes` adds class, colour and the like.
QString svgText(const SceneText& t, const QString& attributes = QString())
{
    return QStringLiteral("<text%1 x=\"%2\" y=\"%3\" text-anchor=\"middle\" font-size=\"%4\"%5>%6</text>")
        .arg(attributes.isEmpty() ? QString() : QLatin1Char(' ') + attributes)
        .arg(t.middle())
        .arg(t.baseline())
        .arg(t.pixels)
        .arg(t.bold ? QStringLiteral(" font-weight=\"bold\"") : QString())
        .arg(escaped(t.text));
}

QString svgTexts(const QList<SceneText>& texts, const QString& attributes = QString())
{
    QString out;
    for (const SceneText& t : texts)
        out += svgText(t, attributes);
    return out;
}

void paintText(QPainter& painter, const SceneText& t)
{
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(int(std::lround(t.pixels)));
    font.setBold(t.bold);
    painter.setFont(font);
    const qreal advance = QFontMetricsF(font).horizontalAdvance(t.text);
    painter.drawText(QPointF(t.middle() - advance / 2, t.baseline()), t.text);
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
    QHash<int, QRectF> panelAreas; // where a port's texts may go
    QList<int> screenShapes;
    for (int port = 1; port <= layout.ports; ++port) {
        const int column = (port - 1) % columns, row = (port - 1) / columns;
        const QPointF corner(kMargin + column * (kPanelWidth + kGap), kMargin + row * (kPanelHeight + kGap));
        SceneShape panel {SceneShape::Panel, QRectF(corner, QSizeF(kPanelWidth, kPanelHeight)), {},
                          QStringLiteral("Port %1").arg(port), {}, {}, port};
        panelAreas.insert(port, panel.rect.adjusted(2, 2, -2, -2));
        const QPointF inner = corner + QPointF(kPadding, kTitle);
        panel.texts << SceneText {panel.text, 15, true,
                                  QRectF(corner + QPointF(kPadding, 4), textExtent(panel.text, 15, true))};
        if (desktops[port - 1].isEmpty()) {
            panel.detail = QStringLiteral("no screens");
            QRectF box(QPointF(), textExtent(panel.detail, 13, false));
            box.moveCenter(panel.rect.center());
            panel.texts << SceneText {panel.detail, 13, false, box};
        }
        scene.shapes << panel;
        for (const LayoutScreen& s : layout.screens) {
            if (s.port != port)
                continue;
            const QRectF rect(inner + (QPointF(s.x, s.y) - desktops[port - 1].topLeft()) * scale,
                              QSizeF(s.width, s.height) * scale);
            screenRects.insert({s.port, s.screen}, rect);
            screenShapes << scene.shapes.size();
            scene.shapes << SceneShape {SceneShape::Screen, rect, {}, QString::number(s.screen),
                                        QStringLiteral("%1x%2").arg(s.width).arg(s.height), {}, port, s.screen};
        }
    }

    // The stretches first, so that no text is put on one where another spot is free; then
    // the panels' titles, the screens' names, and the passages' numbers, in that order of
    // claim on the room.
    struct PendingLabel
    {
        int shape; // in `passages`
        QLineF stretch;
        char side;
    };
    QList<SceneShape> passages;
    QList<PendingLabel> labels;
    TextPlacer placer;
    for (const LayoutPassage& p : layout.passages) {
        const QColor colour = kPalette[(p.number - 1) % int(std::size(kPalette))];
        QLineF stretches[2];
        for (int e = 0; e < 2; ++e) {
            const LayoutPassageEnd& end = p.ends[e];
            stretches[e] = stretchLine(screenRects.value({end.port, end.screen}), scale, end);
            placer.shun(stretchBand(stretches[e]));
            passages << SceneShape {SceneShape::Stretch, {}, stretches[e], {}, {}, colour,
                                    end.port, end.screen, p.number, e + 1};
            labels << PendingLabel {int(passages.size()), stretches[e], end.side};
            passages << SceneShape {SceneShape::Label, {}, {}, QString::number(p.number), {}, colour,
                                    end.port, end.screen, p.number, e + 1};
        }
        passages << SceneShape {SceneShape::Arrow, {}, QLineF(stretches[0].center(), stretches[1].center()),
                                {}, {}, colour, 0, 0, p.number};
    }
    for (const SceneShape& shape : scene.shapes) {
        for (const SceneText& text : shape.texts)
            placer.take(text.box);
    }
    for (int index : screenShapes) {
        SceneShape& screen = scene.shapes[index];
        screen.texts = screenTexts(screen, placer, panelAreas.value(screen.port));
    }
    for (const PendingLabel& pending : labels) {
        SceneShape& label = passages[pending.shape];
        const QList<QRectF> spots = labelSpots(pending.stretch, pending.side, textExtent(label.text, 13, true));
        label.rect = placer.place(spots, spots.first().center(), panelAreas.value(label.port));
        if (label.rect.isEmpty())
            label.rect = spots.first(); // a panel with no room left at all
        label.texts << SceneText {label.text, 13, true, label.rect};
    }
    scene.shapes << passages;
    return scene;
}

Scene messageScene(const QString& message)
{
    Scene scene;
    const QSizeF extent = textExtent(message, 16, false);
    scene.size = QSizeF(std::max(2 * kMargin + kPanelWidth * 2 + kGap, 2 * kMargin + extent.width()),
                        2 * kMargin + kPanelHeight / 2);
    SceneShape shape {SceneShape::Message, QRectF(QPointF(0, 0), scene.size), {}, message, {}, {}};
    QRectF box(QPointF(), extent);
    box.moveCenter(shape.rect.center());
    shape.texts << SceneText {message, 16, false, box};
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
                                  "height=\"%5\" fill=\"#f4f4f4\" stroke=\"#999\"/>")
                       .arg(s.port).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
            svg += svgText(s.texts.value(0));
            if (s.texts.size() > 1)
                svg += svgText(s.texts[1], QStringLiteral("fill=\"#888\""));
            svg += QStringLiteral("</g>\n");
            break;
        case SceneShape::Screen:
            svg += QStringLiteral("<g class=\"screen\" data-port=\"%1\" data-screen=\"%2\" data-size=\"%3\">"
                                  "<rect x=\"%4\" y=\"%5\" width=\"%6\" height=\"%7\" fill=\"#dde8f4\" "
                                  "stroke=\"#345\"/>%8</g>\n")
                       .arg(s.port).arg(s.screen).arg(s.detail).arg(r.x()).arg(r.y()).arg(r.width())
                       .arg(r.height()).arg(svgTexts(s.texts));
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
            svg += svgTexts(s.texts, QStringLiteral("class=\"label\" data-passage=\"%1\" data-end=\"%2\" fill=\"%3\"")
                                         .arg(s.passage).arg(s.end).arg(s.colour.name())) + QLatin1Char('\n');
            break;
        case SceneShape::Message:
            svg += svgTexts(s.texts, QStringLiteral("class=\"message\" fill=\"#b00\"")) + QLatin1Char('\n');
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
    for (const SceneShape& s : scene.shapes) {
        switch (s.kind) {
        case SceneShape::Panel:
            painter.setPen(QColor(0x99, 0x99, 0x99));
            painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
            painter.drawRect(s.rect);
            painter.setPen(Qt::black);
            for (int i = 0; i < s.texts.size(); ++i) {
                if (i == 1)
                    painter.setPen(QColor(0x88, 0x88, 0x88));
                paintText(painter, s.texts[i]);
            }
            break;
        case SceneShape::Screen:
            painter.setPen(QColor(0x33, 0x44, 0x55));
            painter.setBrush(QColor(0xdd, 0xe8, 0xf4));
            painter.drawRect(s.rect);
            for (const SceneText& t : s.texts)
                paintText(painter, t);
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
            painter.setPen(s.colour);
            for (const SceneText& t : s.texts)
                paintText(painter, t);
            break;
        case SceneShape::Message:
            painter.setPen(QColor(0xbb, 0, 0));
            for (const SceneText& t : s.texts)
                paintText(painter, t);
            break;
        }
    }
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? png : QByteArray();
}

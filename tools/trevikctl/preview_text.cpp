#include "preview_text.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace {

// Widest digits and capitals of the common sans-serif fonts are about 0.64 of the size
// (0.70 bold); ascent and descent together about 1.17.
constexpr qreal kWidthPerCharacter = 0.64, kBoldWidthPerCharacter = 0.70;
constexpr qreal kAscent = 0.93, kDescent = 0.24;
constexpr qreal kSearchStep = 2, kAir = 1;

bool fontsAvailable()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QFont sceneFont(qreal pixels, bool bold)
{
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(int(std::lround(pixels)));
    font.setBold(bold);
    return font;
}

qreal ascentOf(qreal pixels, bool bold)
{
    qreal ascent = kAscent * pixels;
    if (fontsAvailable())
        ascent = std::max(ascent, QFontMetricsF(sceneFont(pixels, bold)).ascent());
    return ascent;
}

} // namespace

qreal SceneText::baseline() const
{
    return box.top() + ascentOf(pixels, bold);
}

QSizeF textExtent(const QString& text, qreal pixels, bool bold)
{
    qreal width = text.size() * pixels * (bold ? kBoldWidthPerCharacter : kWidthPerCharacter);
    qreal height = (kAscent + kDescent) * pixels;
    if (fontsAvailable()) {
        const QFontMetricsF metrics(sceneFont(pixels, bold));
        width = std::max(width, metrics.horizontalAdvance(text));
        height = std::max(height, ascentOf(pixels, bold) + metrics.descent());
    }
    return QSizeF(std::ceil(width), std::ceil(height));
}

bool TextPlacer::isFree(const QRectF& box, const QRectF& area, bool shunning) const
{
    if (!area.contains(box))
        return false;
    // A pixel of air from other text, more than the rounding of a drawing's coordinates.
    const QRectF aired = box.adjusted(-kAir, -kAir, kAir, kAir);
    const auto covers = [&aired](const QRectF& other) { return aired.intersects(other); };
    if (std::any_of(m_taken.begin(), m_taken.end(), covers))
        return false;
    return !shunning || std::none_of(m_shunned.begin(), m_shunned.end(), [&box](const QRectF& other) {
        return box.intersects(other);
    });
}

QRectF TextPlacer::place(const QList<QRectF>& preferred, const QPointF& anchor, const QRectF& area)
{
    if (preferred.isEmpty())
        return QRectF();
    const auto firstFree = [&](const QList<QRectF>& boxes, bool shunning) {
        const auto it = std::find_if(boxes.begin(), boxes.end(),
                                     [&](const QRectF& box) { return isFree(box, area, shunning); });
        return it == boxes.end() ? QRectF() : *it;
    };
    QRectF box = firstFree(preferred, true);
    if (box.isEmpty()) {
        // Every spot of the area on a fine grid, nearest the anchor first.
        const QSizeF size = preferred.first().size();
        QList<QRectF> spots;
        for (qreal y = area.top(); y + size.height() <= area.bottom(); y += kSearchStep) {
            for (qreal x = area.left(); x + size.width() <= area.right(); x += kSearchStep)
                spots << QRectF(QPointF(x, y), size);
        }
        const auto distance = [&anchor](const QRectF& spot) {
            const QPointF d = spot.center() - anchor;
            return d.x() * d.x() + d.y() * d.y();
        };
        std::stable_sort(spots.begin(), spots.end(),
                         [&](const QRectF& a, const QRectF& b) { return distance(a) < distance(b); });
        // Covering a stretch is the lesser evil, taken only when the area has no other room.
        box = firstFree(spots, true);
        if (box.isEmpty())
            box = firstFree(preferred, false);
        if (box.isEmpty())
            box = firstFree(spots, false);
    }
    if (!box.isEmpty())
        m_taken << box;
    return box;
}

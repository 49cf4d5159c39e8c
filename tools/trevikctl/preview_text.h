#pragma once
// Text in a configuration's picture: how much room a line of it takes, and where a line can
// go without covering another. Every text of a picture is placed once, here, and both the SVG
// and the PNG draw it where it was placed, so what is checked free is what is drawn.
//
// Room is measured with the font the PNG is painted in when a GUI application is running,
// and never less than a generous width per character: an SVG viewer draws with a sans-serif
// font of its own, which must still fit.

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

struct SceneText
{
    QString text;
    qreal pixels = 13; // font size
    bool bold = false;
    QRectF box;        // the room the line takes; drawn centred in it
    // Where the line's baseline sits and its middle, for drawing it.
    qreal baseline() const;
    qreal middle() const { return box.center().x(); }
};

// The room a line of `text` takes at `pixels`, from the top of its tallest letter to the
// bottom of its lowest.
QSizeF textExtent(const QString& text, qreal pixels, bool bold);

// The lines of text already in a picture and the drawings better left uncovered; finds room
// for one more line near where it belongs.
class TextPlacer
{
public:
    // A box already taken by text: nothing may overlap it.
    void take(const QRectF& box) { m_taken << box; }
    // A drawing (a passage's stretch) that a text should rather not cover.
    void shun(const QRectF& box) { m_shunned << box; }

    // The first of `preferred` (boxes of one size) that is free and inside `area`; else the
    // free box of that size in `area` nearest `anchor`, preferring one that covers no shunned
    // drawing. Takes and returns it; an empty box when `area` has no room at all.
    QRectF place(const QList<QRectF>& preferred, const QPointF& anchor, const QRectF& area);
    bool isFree(const QRectF& box, const QRectF& area, bool shunning) const;

private:
    QList<QRectF> m_taken, m_shunned;
};

#pragma once
// A picture of a KMC configuration as a list of shapes, drawn once and written out twice
// (SVG by hand, PNG through QPainter): one panel per switch port, its screens to scale where
// the file places them, every passage end a marked stretch on its edge, and an arrow from the
// first end of each passage to its second. Every text (titles, screen names, passage numbers)
// gets room of its own: a passage's number goes beside its stretch where that is free, else to
// the nearest free spot of its panel; a screen's name shrinks to fit its screen.

#include <QColor>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kmc_layout.h"
#include "preview_text.h"

struct SceneShape
{
    enum Kind {
        Panel,   // a switch port: rect, text "Port n", port; detail "no screens" when it has none
        Screen,  // rect, text "n" (screen) with its resolution in `detail`, port
        Stretch, // line along an edge, passage and end (1 or 2), colour
        Arrow,   // line from the first end's stretch to the second's, passage, colour
        Label,   // a passage's number near its stretch: text, passage, end, colour
        Message, // the converter's refusal in the picture's place
    };
    Kind kind;
    QRectF rect;
    QLineF line;
    QString text;
    QString detail;
    QColor colour;
    int port = 0;
    int screen = 0;
    int passage = 0;
    int end = 0;
    // What the shape writes, where: a panel its title (and "no screens"), a screen its name
    // and resolution, a label its number, a message its message. No two overlap.
    QList<SceneText> texts {};
};

struct Scene
{
    QSizeF size;
    QList<SceneShape> shapes;
};

// The picture of `layout`.
Scene layoutScene(const KmcLayout& layout);
// A picture that says only `message` (a file the converter refuses).
Scene messageScene(const QString& message);

// The scene as an SVG document: every shape an element with its kind as class and its numbers
// as data- attributes, so a reader (or a test) can find each panel, screen and stretch.
QByteArray sceneToSvg(const Scene& scene);
// The scene painted at `scale` pixels per scene unit, as a PNG file's bytes; empty when the
// image cannot be encoded.
QByteArray sceneToPng(const Scene& scene, qreal scale = 1.0);

// Pictures whose texts can all be read: no title, screen name, resolution or passage number
// covers another, for every example configuration and for a crowded one, measured in the
// font the picture is painted in from the SVG as written.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>
#include <gtest/gtest.h>

#include "preview_scene.h"

void PrintTo(const QString& text, std::ostream* os)
{
    *os << text.toStdString();
}

namespace {

struct DrawnText
{
    QString text, owner; // owner: "panel 1", "screen 1/2", "label 3.1", ...
    QRectF box;
    int passage = 0, end = 0;
};

struct Drawing
{
    QSizeF size;
    QList<DrawnText> texts;
    QHash<QString, QLineF> stretches; // "passage.end"
    bool ok = false;
};

// The room a <text> takes as a viewer draws it with this machine's sans-serif font.
QRectF drawnBox(const QXmlStreamAttributes& a, const QString& text)
{
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(int(std::lround(a.value("font-size").toDouble())));
    font.setBold(a.value("font-weight") == QLatin1String("bold"));
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text);
    qreal left = a.value("x").toDouble();
    if (a.value("text-anchor") == QLatin1String("middle"))
        left -= width / 2;
    else if (a.value("text-anchor") == QLatin1String("end"))
        left -= width;
    const qreal baseline = a.value("y").toDouble();
    return QRectF(left, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent());
}

Drawing readSvg(const QByteArray& svg)
{
    Drawing d;
    QXmlStreamReader xml(svg);
    QString owner;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QString kind = a.value("class").toString();
        if (xml.name() == QLatin1String("svg"))
            d.size = QSizeF(a.value("width").toDouble(), a.value("height").toDouble());
        if (kind == "panel")
            owner = "panel " + a.value("data-port").toString();
        else if (kind == "screen")
            owner = "screen " + a.value("data-port").toString() + '/' + a.value("data-screen").toString();
        else if (kind == "stretch")
            d.stretches.insert(a.value("data-passage") + '.' + a.value("data-end"),
                               QLineF(a.value("x1").toDouble(), a.value("y1").toDouble(), a.value("x2").toDouble(),
                                      a.value("y2").toDouble()));
        if (xml.name() != QLatin1String("text"))
            continue;
        DrawnText t;
        t.passage = a.value("data-passage").toInt();
        t.end = a.value("data-end").toInt();
        t.owner = kind == "label" ? QStringLiteral("label %1.%2").arg(t.passage).arg(t.end) : owner;
        t.text = xml.readElementText();
        t.box = drawnBox(a, t.text);
        d.texts << t;
    }
    d.ok = !xml.hasError();
    return d;
}

qreal distance(const QRectF& box, const QLineF& line)
{
    // Near enough for a short straight stretch: the nearest of its points, a pixel apart.
    qreal best = 1e9;
    const int steps = std::max(1, int(line.length()));
    for (int i = 0; i <= steps; ++i) {
        const QPointF p = line.pointAt(qreal(i) / steps);
        const qreal dx = std::max({box.left() - p.x(), 0.0, p.x() - box.right()});
        const qreal dy = std::max({box.top() - p.y(), 0.0, p.y() - box.bottom()});
        best = std::min(best, std::hypot(dx, dy));
    }
    return best;
}

// Every text inside the picture, no two overlapping, each passage number within `reach` of
// its stretch.
void expectReadable(const Drawing& d, const std::string& what, qreal reach)
{
    ASSERT_TRUE(d.ok) << what;
    ASSERT_FALSE(d.texts.isEmpty()) << what;
    const QRectF picture(QPointF(), d.size);
    int labels = 0;
    for (int i = 0; i < d.texts.size(); ++i) {
        const DrawnText& a = d.texts[i];
        EXPECT_TRUE(picture.contains(a.box)) << what << ": " << a.owner.toStdString() << " '"
                                             << a.text.toStdString() << "' leaves the picture";
        for (int j = i + 1; j < d.texts.size(); ++j) {
            const DrawnText& b = d.texts[j];
            EXPECT_FALSE(a.box.intersects(b.box))
                << what << ": " << a.owner.toStdString() << " '" << a.text.toStdString() << "' covers "
                << b.owner.toStdString() << " '" << b.text.toStdString() << "'";
        }
        if (a.owner.startsWith("label")) {
            ++labels;
            const QString key = QStringLiteral("%1.%2").arg(a.passage).arg(a.end);
            ASSERT_TRUE(d.stretches.contains(key)) << what << ": " << a.owner.toStdString();
            EXPECT_LE(distance(a.box, d.stretches[key]), reach) << what << ": " << a.owner.toStdString()
                                                             << " strays from its stretch";
        }
    }
    EXPECT_EQ(labels, d.stretches.size()) << what << ": one number for each end of each passage";
}

class ExampleFile : public ::testing::TestWithParam<QString> {};

TEST_P(ExampleFile, HasNoTextOverAnother)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString svg = dir.filePath("picture.svg");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", dir.path());
    process.setProcessEnvironment(environment);
    process.start(TREVIKCTL_PATH, {"preview", QStringLiteral(EXAMPLES_DIR) + '/' + GetParam(), "-o", svg});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Drawing d = readSvg(file.readAll());
    expectReadable(d, GetParam().toStdString(), 30);
    EXPECT_FALSE(d.stretches.isEmpty()) << "every example has passages";
}

QStringList exampleFiles()
{
    return QDir(QStringLiteral(EXAMPLES_DIR)).entryList({"*.kmc"}, QDir::Files, QDir::Name);
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleFile, ::testing::ValuesIn(exampleFiles()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.section('.', 0, 0).replace('-', '_').toStdString();
                         });

TEST(ExampleFiles, IncludeTheCrowdedOnes)
{
    const QStringList files = exampleFiles();
    EXPECT_TRUE(files.contains("mixed-resolutions.kmc") && files.contains("eight-ports.kmc")) << files.join(' ').toStdString();
}

// Eight screens in a row on each of four ports, each barely wider than its resolution's
// text, every neighbour joined both ways and the ends of each row joined to the next port:
// far more text than the screens can hold.
KmcLayout crowdedLayout()
{
    KmcLayout layout;
    layout.ports = 4;
    for (int port = 1; port <= 4; ++port) {
        for (int screen = 1; screen <= 8; ++screen)
            layout.screens.append({port, screen, (screen - 1) * 1920, 0, 1920, 1080});
    }
    int number = 0;
    for (int port = 1; port <= 4; ++port) {
        for (int screen = 1; screen < 8; ++screen) {
            layout.passages.append({++number, {{port, screen, 'R', 0, 539}, {port, screen + 1, 'L', 0, 539}}});
            layout.passages.append({++number, {{port, screen + 1, 'L', 540, 1079}, {port, screen, 'R', 540, 1079}}});
        }
        layout.passages.append({++number, {{port, 8, 'T', 0, 1919}, {port % 4 + 1, 1, 'B', 0, 1919}}});
    }
    return layout;
}

TEST(CrowdedLayout, HasNoTextOverAnother)
{
    const Drawing d = readSvg(sceneToSvg(layoutScene(crowdedLayout())));
    // Fifteen numbers on a strip of screens 27 pixels high: some must go a line or two away.
    expectReadable(d, "crowded", 60);
    EXPECT_EQ(d.stretches.size(), 2 * crowdedLayout().passages.size());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time, a sanitizer build's leak check included) needs no fonts.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QGuiApplication application(argc, argv); // the fonts a picture is measured in
    return RUN_ALL_TESTS();
}

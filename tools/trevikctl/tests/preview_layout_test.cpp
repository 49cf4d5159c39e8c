// Pictures whose texts can all be read: no title, screen name, resolution or passage number
// covers another, for every example configuration and for a crowded one, measured in the
// font the picture is painted in from the SVG as written.

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QProcess>
#include <QXmlStreamReader>
#include <cmath>
#include <gtest/gtest.h>

#include "preview_scene.h"

void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }

namespace {

struct DrawnText
{
    QString text;
    QRectF box;
    QString label; // "passage.end" for a passage's number; empty for other texts
};

struct Drawing
{
    QSizeF size;
    QList<DrawnText> texts;
    QHash<QString, QLineF> stretches; // by "passage.end"
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
    const QStringRef anchor = a.value("text-anchor");
    const qreal left = a.value("x").toDouble() - (anchor == "middle" ? width / 2 : anchor == "end" ? width : 0);
    return QRectF(left, a.value("y").toDouble() - metrics.ascent(), width, metrics.ascent() + metrics.descent());
}

Drawing readSvg(const QByteArray& svg)
{
    Drawing d;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QString key = a.value("data-passage") + '.' + a.value("data-end");
        if (xml.name() == QLatin1String("svg"))
            d.size = QSizeF(a.value("width").toDouble(), a.value("height").toDouble());
        else if (a.value("class") == QLatin1String("stretch"))
            d.stretches.insert(key, QLineF(a.value("x1").toDouble(), a.value("y1").toDouble(),
                                           a.value("x2").toDouble(), a.value("y2").toDouble()));
        if (xml.name() != QLatin1String("text"))
            continue;
        DrawnText t {xml.readElementText(), {}, a.value("class") == QLatin1String("label") ? key : QString()};
        t.box = drawnBox(a, t.text);
        d.texts << t;
    }
    d.ok = !xml.hasError();
    return d;
}

// How far a box lies from a stretch, which runs level or upright along a screen's edge.
qreal distance(const QRectF& box, const QLineF& line)
{
    const QRectF s = QRectF(line.p1(), line.p2()).normalized();
    return std::hypot(std::max({s.left() - box.right(), 0.0, box.left() - s.right()}),
                      std::max({s.top() - box.bottom(), 0.0, box.top() - s.bottom()}));
}

// Every text inside the picture, no two overlapping, each passage number within `reach` of
// its stretch.
void expectReadable(const Drawing& d, const std::string& what, qreal reach)
{
    ASSERT_TRUE(d.ok && !d.texts.isEmpty()) << what;
    int labels = 0;
    for (int i = 0; i < d.texts.size(); ++i) {
        const DrawnText& a = d.texts[i];
        const std::string name = what + ": '" + a.text.toStdString() + "'";
        EXPECT_TRUE(QRectF(QPointF(), d.size).contains(a.box)) << name << " leaves the picture";
        for (int j = i + 1; j < d.texts.size(); ++j)
            EXPECT_FALSE(a.box.intersects(d.texts[j].box))
                << name << " covers '" << d.texts[j].text.toStdString() << "'";
        if (a.label.isEmpty())
            continue;
        ++labels;
        ASSERT_TRUE(d.stretches.contains(a.label)) << name << " of " << a.label.toStdString();
        EXPECT_LE(distance(a.box, d.stretches[a.label]), reach) << name << " strays from its stretch";
    }
    EXPECT_EQ(labels, d.stretches.size()) << what << ": one number for each end of each passage";
}

class ExampleFile : public ::testing::TestWithParam<QString> {};

TEST_P(ExampleFile, HasNoTextOverAnother)
{
    QProcess process; // the picture comes on standard output
    process.start(TREVIKCTL_PATH, {"preview", QStringLiteral(EXAMPLES_DIR "/") + GetParam(), "-o", "-"});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const Drawing d = readSvg(process.readAllStandardOutput());
    expectReadable(d, GetParam().toStdString(), 30);
    EXPECT_FALSE(d.stretches.isEmpty()) << "every example has passages";
}

QStringList exampleFiles() { return QDir(QStringLiteral(EXAMPLES_DIR)).entryList({"*.kmc"}, QDir::Files, QDir::Name); }

INSTANTIATE_TEST_SUITE_P(Examples, ExampleFile, ::testing::ValuesIn(exampleFiles()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.section('.', 0, 0).replace('-', '_').toStdString();
                         });

TEST(ExampleFiles, IncludeTheCrowdedOnes)
{
    const QStringList files = exampleFiles();
    EXPECT_TRUE(files.contains("mixed-resolutions.kmc") && files.contains("eight-ports.kmc"))
        << files.join(' ').toStdString();
}

// Eight screens in a row on each of four ports, each barely wider than its resolution's
// text, every neighbour joined both ways and the ends of each row joined to the next port:
// far more text than the screens can hold.
TEST(CrowdedLayout, HasNoTextOverAnother)
{
    KmcLayout layout;
    layout.ports = 4;
    int number = 0;
    for (int port = 1; port <= 4; ++port) {
        for (int screen = 1; screen <= 8; ++screen)
            layout.screens.append({port, screen, (screen - 1) * 1920, 0, 1920, 1080});
        for (int screen = 1; screen < 8; ++screen) {
            layout.passages.append({++number, {{port, screen, 'R', 0, 539}, {port, screen + 1, 'L', 0, 539}}});
            layout.passages.append({++number, {{port, screen + 1, 'L', 540, 1079}, {port, screen, 'R', 540, 1079}}});
        }
        layout.passages.append({++number, {{port, 8, 'T', 0, 1919}, {port % 4 + 1, 1, 'B', 0, 1919}}});
    }
    const Drawing d = readSvg(sceneToSvg(layoutScene(layout)));
    // Fifteen numbers on a strip of screens 27 pixels high: some must go a line or two away.
    expectReadable(d, "crowded", 60);
    EXPECT_EQ(d.stretches.size(), 2 * layout.passages.size());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // for this program and the trevikctl it runs
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time, a sanitizer build's leak check included) needs no fonts.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QGuiApplication application(argc, argv); // the fonts a picture is measured in
    return RUN_ALL_TESTS();
}

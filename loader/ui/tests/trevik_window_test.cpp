// The window and its load flow: the form, the port selector, Browse and the KMC header, each way
// a load ends, one load at a time, a slow load that leaves the window alive, and the keyboard's
// place. Ports are simulated switches in a private pinned-ports folder; settings are private.

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "browse_folder.h"
#include "app_preferences.h"
#include "com_handler256.h"
#include "config_header.h"
#include "conversion_library.h"
#include "cqt_config_mgr.h"
#include "list_com_ports.h"
#include "message_box.h"
#include "serial_device_enumerator.h"
#include "switch_simulator.h"
#include "trevik.h"
#include "zentrix.h"

namespace {

QTemporaryDir* g_home;
QStringList g_boxes;  // "title: text" of every box shown
QStringList g_events; // the library's "open", "open fails" and "close", and each "box"
QByteArray g_library; // what the library seam opens instead of the real one, when set

void* openLibrary(const QByteArray& path)
{
    void* handle = platformDynamicLibraryApi().open(g_library.isEmpty() ? path : g_library);
    g_events << (handle ? "open" : "open fails");
    return handle;
}

const DynamicLibraryApi kLibraryApi = {openLibrary, [](void* h, const char* n) { return platformDynamicLibraryApi().symbol(h, n); },
                                       [](void* h) { g_events << "close"; platformDynamicLibraryApi().close(h); }};

QString portFolder() { return g_home->path() + QStringLiteral("/ports"); }

int storedDeviceCom()
{
    return QSettings(g_home->path() + "/config/Velmora/Trevik Tool.ini", QSettings::IniFormat)
        .value("main_config/general.device_com", -1)
        .toInt();
}

// One line per widget: class, object name and what the form gives it; children indented.
void describe(const QWidget& widget, int depth, QStringList& lines)
{
    QString line = QString(depth * 2, QLatin1Char(' ')) + QLatin1String(widget.metaObject()->className()) + ' '
        + widget.objectName();
    if (auto* label = qobject_cast<const QLabel*>(&widget); label && !label->objectName().isEmpty())
        line += " \"" + label->text() + '"'; // the status bar's labels say what the port does
    if (auto* label = qobject_cast<const QLabel*>(&widget); label && label->alignment() == Qt::AlignCenter)
        line += " centred";
    if (auto* frame = qobject_cast<const QFrame*>(&widget); frame && frame->frameShape() == QFrame::HLine)
        line += frame->frameShadow() == QFrame::Sunken ? " sunken line" : " line";
    if (auto* button = qobject_cast<const QPushButton*>(&widget))
        line += " \"" + button->text() + '"';
    if (auto* edit = qobject_cast<const QLineEdit*>(&widget); edit && edit->isReadOnly())
        line += " read-only";
    if (auto* combo = qobject_cast<const QComboBox*>(&widget); combo && combo->objectName() == "portConfBox")
        for (int i = 0; i < combo->count(); ++i)
            line += (i == combo->currentIndex() ? " *" : " ") + combo->itemText(i);
    if (widget.font().weight() >= QFont::Bold)
        line += " bold";
    if (widget.font().pixelSize() > 0)
        line += QStringLiteral(" %1px").arg(widget.font().pixelSize());
    if (widget.minimumSize() != QSize(0, 0))
        line += QStringLiteral(" min %1x%2").arg(widget.minimumWidth()).arg(widget.minimumHeight());
    if (widget.maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
        line += QStringLiteral(" max %1x%2").arg(widget.maximumWidth()).arg(widget.maximumHeight());
    auto* grid = widget.parentWidget() ? qobject_cast<QGridLayout*>(widget.parentWidget()->layout()) : nullptr;
    if (int row, column, rows, columns, at = grid ? grid->indexOf(const_cast<QWidget*>(&widget)) : -1; at >= 0) {
        grid->getItemPosition(at, &row, &column, &rows, &columns);
        line += QStringLiteral(" at %1,%2 span %3").arg(row).arg(column).arg(columns);
    }
    if (const QLayout* layout = widget.layout())
        line += QStringLiteral(" %1 %2 spacing %3 margins %4").arg(layout->metaObject()->className(), layout->objectName())
                    .arg(layout->spacing()).arg(layout->contentsMargins().left());
    lines << line;
    for (const QObject* child : widget.children()) {
        auto* w = qobject_cast<const QWidget*>(child);
        // Qt's own parts of a widget are not the form's, except the pages of the tab widget.
        if (w && (!w->objectName().startsWith("qt_") || w->objectName() == "qt_tabwidget_stackedwidget"))
            describe(*w, depth + 1, lines);
    }
}

// What the status bar shows: its text, the text's style, and which LED picture.
QString statusBar(Trevik& window)
{
    const auto labels = window.statusBar()->findChildren<QLabel*>();
    const QImage led = labels[0]->pixmap(Qt::ReturnByValue).toImage();
    const auto shows = [&led](const char* picture) { return !led.isNull() && led == QImage(picture).convertToFormat(led.format()); };
    const char* name = shows(":/Trevik/Resources/led_yellow.png") ? " yellow" : shows(":/Trevik/Resources/led_red.png") ? " red" : " no LED";
    return labels[1]->text() + ' ' + labels[1]->styleSheet() + name;
}

// The box hook of every test but those that watch the box themselves.
void recordBox(QWidget* parent, MessageKind kind, const QString& title, const QString& text)
{
    g_boxes << title + ": " + text;
    // The box belongs to the load: Process stays disabled while it shows.
    auto* process = parent ? parent->findChild<QPushButton*>("processButt") : nullptr;
    g_events << (process && process->isEnabled() ? "box over an enabled Process" : "box");
    // The load's progress line goes when its box comes.
    if (auto* progress = parent ? parent->findChild<QLabel*>("progressLabel") : nullptr; progress && !progress->isHidden())
        g_events << "progress still shown";
    QCOMPARE(kind, title == "Trevik Tool" && text.contains("success") ? MessageKind::Information : MessageKind::Critical);
}

} // namespace

class TestTrevikWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void formAsDesigned();
    void portSelector_data();
    void portSelector();
    void browse();
    void headerLines();
    void loadEnds_data();
    void loadEnds();
    void loadsOneAtATime();
    void staysAliveDuringASlowLoad();
    void conversionOnItsOwn();
    void boxKinds();
    void keyboardKeepsItsPlace();

private:
    kmsim::SwitchSimulator& addSwitch(int number, kmsim::SimOptions options = {});
    std::vector<std::unique_ptr<kmsim::SwitchSimulator>> m_switches;
};

void TestTrevikWindow::init()
{
    m_switches.clear();
    g_boxes.clear();
    g_events.clear();
    g_library.clear();
}

kmsim::SwitchSimulator& TestTrevikWindow::addSwitch(int number, kmsim::SimOptions options)
{
    options.comNumber = number;
    options.portDir = portFolder().toStdString();
    options.logPath.clear();
    m_switches.push_back(std::make_unique<kmsim::SwitchSimulator>(options));
    std::string error;
    [&] { QVERIFY2(m_switches.back()->start(error), error.c_str()); }();
    return *m_switches.back();
}

void TestTrevikWindow::formAsDesigned()
{
    Trevik window;
    QStringList lines {QStringLiteral("%1 \"%2\" %3x%4").arg(window.objectName(), window.windowTitle())
                           .arg(window.width()).arg(window.height())};
    describe(*window.centralWidget(), 0, lines);
    describe(*window.statusBar(), 0, lines);
    // The slots, connected by their signatures, in their order.
    for (int i = Trevik::staticMetaObject.methodOffset(); i < Trevik::staticMetaObject.methodCount(); ++i)
        lines << "slot " + Trevik::staticMetaObject.method(i).methodSignature();
    QFile fixture(QStringLiteral(FIXTURES "/trevik_form.txt"));
    QVERIFY(fixture.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(lines.join('\n') + '\n', QString::fromUtf8(fixture.readAll()));
}

void TestTrevikWindow::portSelector_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("current"); // 0: the first port listed
    QTest::addColumn<int>("heldMs");  // COM5's switch holds its port this long
    QTest::addColumn<bool>("connected");
    QTest::newRow("stored port present") << 5 << 5 << 0 << true;
    QTest::newRow("other stored port present") << 3 << 3 << 0 << true;
    QTest::newRow("stored port held elsewhere") << 5 << 5 << 5000 << false;
    QTest::newRow("stored port absent") << 7 << 0 << 0 << false;
}

void TestTrevikWindow::portSelector()
{
    QFETCH(int, stored);
    QFETCH(int, current);
    QFETCH(int, heldMs);
    QFETCH(bool, connected);
    addSwitch(3);
    kmsim::SimOptions held;
    held.busyMs = heldMs;
    addSwitch(5, held);
    // The watch on the port folder brings both to the enumerator, which the window asks.
    QTRY_VERIFY(SerialDeviceEnumerator::instance()->portNames().contains("COM3")
                && SerialDeviceEnumerator::instance()->portNames().contains("COM5"));
    QList<unsigned int> listed;
    QStringList descriptions, expected, items;
    listComPorts(listed, descriptions);
    for (int i = 0; i < listed.size(); ++i)
        expected << QStringLiteral("COM%1 (%2) %1").arg(listed[i]).arg(descriptions[i]);
    g_configMgr.setDeviceCom(stored);

    Trevik window;
    auto* combo = window.findChild<QComboBox*>("comboBoxPort");
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i) + ' ' + QString::number(combo->itemData(i).value<unsigned int>());
    QCOMPARE(items, expected);
    QCOMPARE(combo->currentData().toInt(), current ? current : int(listed.first()));
    QCOMPARE(storedDeviceCom(), current ? current : int(listed.first()));
    const QString on = "Device connected QLabel{ color : green; } yellow", off = "Device DISCONNECTED QLabel{ color : red; } red";
    if (current) { // the status bar follows the first check of the stored port
        QTRY_COMPARE_WITH_TIMEOUT(statusBar(window), connected ? on : off, 3000);
        QCOMPARE(window.findChild<QPushButton*>("processButt")->isEnabled(), connected);
    }

    // Choosing saves at once; the switch going away is seen without the window doing anything.
    combo->setCurrentIndex(combo->findData(QVariant(3u)));
    QCOMPARE(storedDeviceCom(), 3);
    m_switches.front()->stop();
    QTRY_COMPARE_WITH_TIMEOUT(statusBar(window), off, 5000);
}

void TestTrevikWindow::browse()
{
    const QString file = EXAMPLES "/eight-ports.kmc";
    Trevik window;
    const QList<QLineEdit*> fields {window.findChild<QLineEdit*>("editName"),
                                    window.findChild<QLineEdit*>("editDescription"),
                                    window.findChild<QLineEdit*>("editDate")};
    auto* path = window.findChild<QLineEdit*>("filePathEdit");
    // Cancelled; chosen but gone before it could be read (no stale fields stay); chosen.
    const QString vanishing = g_home->path() + "/vanishing.kmc";
    QVERIFY(QFile::copy(file, vanishing));
    for (const QString& answer : {QString(), vanishing, file}) {
        QString caption, filter;
        std::function<void()> answerDialog = [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return QTimer::singleShot(10, answerDialog); // not open yet
            caption = dialog->windowTitle();
            filter = dialog->nameFilters().join(';');
            if (answer.isEmpty())
                return dialog->reject();
            dialog->selectFile(answer);
            if (answer == vanishing)
                QObject::connect(dialog, &QFileDialog::fileSelected, [&] { QFile::remove(vanishing); });
            static_cast<QDialog*>(dialog)->accept();
        };
        QTimer::singleShot(0, answerDialog);
        QStringList shown;
        const QStringList stale {"stale", "stale", "stale"}, cleared {"", "", ""};
        for (QLineEdit* field : fields)
            field->setText("stale");
        window.findChild<QPushButton*>("browseButt")->click();
        for (QLineEdit* field : fields)
            shown << field->text();
        QCOMPARE(caption, QStringLiteral("Open KM Configuration file..."));
        QCOMPARE(filter, QStringLiteral("KM Configuration files (*.kmc)"));
        QCOMPARE(path->text(), QDir::toNativeSeparators(answer));
        const QStringList read {"Eight ports", "Control room: eight computers in one row of desks, some with stacked screens",
                                "06.12.2026 20:50"};
        QCOMPARE(shown, answer.isEmpty() ? stale : answer == vanishing ? cleared : read);
    }

    // The dialog starts in the first desktop folder there is, else at home; never in a name.
    const QString base = g_home->path() + "/";
    QVERIFY(QDir().mkpath(base + "desk") && QDir().mkpath(base + "other"));
    const struct { QStringList desktops; const char* home; const char* start; } rows[] = {
        {{"desk", "other"}, "home", "desk"}, {{"missing", "other"}, "home", "other"},
        {{"missing", "config/Velmora/Trevik Tool.ini"}, "other", "other"}, {{}, "missing", ""}};
    for (const auto& row : rows) {
        QStringList desktops;
        for (const QString& d : row.desktops)
            desktops << base + d;
        QCOMPARE(browseStartFolder(desktops, base + row.home), *row.start ? base + row.start : QString());
    }
}

// Each fixture line: a file's text (\r, \n spelled out), then the window's name|description|date.
void TestTrevikWindow::headerLines()
{
    QFile rows(QStringLiteral(FIXTURES "/header_lines.txt"));
    QVERIFY(rows.open(QIODevice::ReadOnly | QIODevice::Text));
    while (!rows.atEnd()) {
        const QString line = QString::fromUtf8(rows.readLine()).chopped(1);
        QStringList row = line.split('|');
        QByteArray text = row.takeFirst().replace("\\r", "\r").replace("\\n", "\n").toUtf8();
        QBuffer buffer(&text);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const ConfigHeader header = readConfigHeaderLines(buffer);
        QCOMPARE(QStringList({header.strName, header.strDescription, header.strDate}).join('|').replace('\r', "\\r"),
                 row.join('|'));
    }
}

void TestTrevikWindow::loadEnds_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("library");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("switchPorts");
    const QString loaded = "Trevik Tool: Configuration file has been successfully loaded to device";
    QTest::newRow("loaded") << "examples/two-desks.kmc" << QByteArray() << loaded << "open box close" << 4;
    QTest::newRow("switch with eight ports") << "examples/two-desks.kmc" << QByteArray() << "KM Configuration Converter Error: "
        "Wrong port configuration.\nConfigured number of ports: 4. Actual number of ports: 8." << "open box close" << 8;
    QTest::newRow("builder refuses") << "converter/tests/fixtures/builder-18-geometry-port-above-count.kmc"
                                     << QByteArray() << "KM Configuration Converter Error: Could not convert data: error #3"
                                     << "open box close" << 4;
    QTest::newRow("no library") << "examples/two-desks.kmc" << QByteArray("/nonexistent/libzentrix.so")
                                << "Trevik Error: Cannot load conversion library" << "open fails box" << 4;
    QTest::newRow("library without convert_d") << "examples/two-desks.kmc" << QByteArray(QT_CORE_LIBRARY)
                                               << "Trevik Error: Cannot locate conversion procedure" << "open close box" << 4;
}

void TestTrevikWindow::loadEnds()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, library);
    QFETCH(QString, box);
    QFETCH(QString, events);
    QFETCH(int, switchPorts);
    kmsim::SimOptions options;
    options.portCount = switchPorts;
    const kmsim::SwitchSimulator& sim = addSwitch(5, options);
    g_configMgr.setDeviceCom(5);
    g_library = library;
    ConversionLibrary::setApiForTesting(&kLibraryApi);
    {
        Trevik window;
        window.findChild<QLineEdit*>("filePathEdit")->setText(SOURCE_DIR "/" + file);
        QTRY_VERIFY(window.findChild<QPushButton*>("processButt")->isEnabled()); // the switch is seen
        window.findChild<QPushButton*>("processButt")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!g_boxes.isEmpty(), 20000); // the load runs while the window lives on
    }
    ConversionLibrary::setApiForTesting(nullptr);
    QCOMPARE(g_boxes, QStringList {box});
    QCOMPARE(g_events.join(' '), events); // every box shows while the library is still loaded
    QCOMPARE(sim.images().size(), size_t(box.contains("success") ? 1 : 0)); // nothing after a refusal
}

// A press handled during the open retry's wait must not start a second load: it would replace
// the library's image with another file's while the first load still has to send it.
void TestTrevikWindow::loadsOneAtATime()
{
    const bool connectedDuringLoad = false; // and after the load Process follows that
    kmsim::SimOptions options;
    options.busyMs = 1500; // the first open fails; the retry 2 s later gets the port
    const kmsim::SwitchSimulator& sim = addSwitch(5, options);
    g_configMgr.setDeviceCom(5);
    Trevik window;
    auto* handler = window.findChild<COMHandler256*>();
    auto* process = window.findChild<QPushButton*>("processButt");
    emit handler->comConnected(true);
    bool enabledDuringLoad = true;
    QTimer::singleShot(300, [&] {
        emit handler->comConnected(true); // the probe's word does not enable it mid-load
        enabledDuringLoad = process->isEnabled() || window.findChild<QPushButton*>("browseButt")->isEnabled()
                            || window.findChild<QComboBox*>("comboBoxPort")->isEnabled();
        emit handler->comConnected(connectedDuringLoad);
        window.findChild<QLineEdit*>("filePathEdit")->setText(EXAMPLES "/largest-16-screens-24-passages.kmc");
        QMetaObject::invokeMethod(&window, "onProcessClicked"); // past the disabled button too
    });
    window.findChild<QLineEdit*>("filePathEdit")->setText(EXAMPLES "/two-desks.kmc");
    process->click();
    QTRY_VERIFY_WITH_TIMEOUT(!g_boxes.isEmpty(), 20000);

    QVERIFY(!enabledDuringLoad);
    QCOMPARE(g_boxes, QStringList {"Trevik Tool: Configuration file has been successfully loaded to device"});
    char message[256];
    unsigned char* image = nullptr;
    int size = 0; // the switch got the first file's image: one library copy, one image
    QCOMPARE(convert_d(4, EXAMPLES "/two-desks.kmc", message, 255, &image, &size), 0);
    const auto images = sim.images();
    QCOMPARE(images.size(), size_t(1));
    QVERIFY(std::equal(image, image + size, images[0].begin(), images[0].end()));
    QCOMPARE(process->isEnabled(), connectedDuringLoad);
    QVERIFY(window.findChild<QPushButton*>("browseButt")->isEnabled() && window.findChild<QComboBox*>("comboBoxPort")->isEnabled());
}

// A switch at 9600 baud with 100 ms answers: for the seconds of the load the window handles its
// events, shows where the load stands, and keeps a close request for when the load has ended.
void TestTrevikWindow::staysAliveDuringASlowLoad()
{
    kmsim::SimOptions options;
    options.baud = 9600;
    options.replyDelayMs = 100;
    const kmsim::SwitchSimulator& sim = addSwitch(5, options);
    g_configMgr.setDeviceCom(5);
    Trevik window;
    window.show();
    auto* progress = window.findChild<QLabel*>("progressLabel");
    window.findChild<QLineEdit*>("filePathEdit")->setText(EXAMPLES "/two-desks.kmc");
    QTRY_VERIFY(window.findChild<QPushButton*>("processButt")->isEnabled());
    // A timer due every 10 ms: the longest stretch between two firings is the loop's longest stop.
    QElapsedTimer clock;
    qint64 last = 0, longestGap = 0;
    QStringList shown; // each progress text, once, in order
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        longestGap = qMax(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
        if (progress->isVisible() && !progress->text().isEmpty() && shown.value(shown.size() - 1) != progress->text())
            shown << progress->text();
    });
    bool openDuringLoad = false; // the operator closes the window mid-load: it stays until the end
    QTimer::singleShot(1000, [&] { openDuringLoad = !window.close() && window.isVisible(); });
    clock.start();
    sampler.start(10);
    window.findChild<QPushButton*>("processButt")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!g_boxes.isEmpty(), 30000);
    sampler.stop();
    QCOMPARE(g_boxes, QStringList {"Trevik Tool: Configuration file has been successfully loaded to device"});
    QCOMPARE(sim.images().size(), size_t(1)); // the close did not cut the write short
    qInfo("longest stretch without event processing: %lld ms", longestGap);
    QVERIFY(longestGap <= 100);
    QCOMPARE(g_events, QStringList {"box"}); // and the progress line had gone
    QVERIFY(openDuringLoad && !window.isVisible()); // the close is carried out once the load has ended
    // Records one by one, then the image's bytes as they leave the line, then the wait.
    const QRegularExpression order("^(GET_INFO records \\d+/32\\|)+(bytes written \\d+/936\\|){4,}"
                                   "waiting for the switch's answer$");
    QVERIFY2(order.match(shown.join('|')).hasMatch() && shown.contains("GET_INFO records 32/32"),
             qPrintable(shown.join(" | ")));
}

// The library's word without a switch (trevikctl check); a library loaded again lets go of the first.
void TestTrevikWindow::conversionOnItsOwn()
{
    const QString folder = QCoreApplication::applicationDirPath(); // the library beside the test
    QString message;
    QCOMPARE(convertOnly(folder, EXAMPLES "/two-desks.kmc", 4, message), 0);
    QCOMPARE(message, QStringLiteral("Converted"));
    QCOMPARE(convertOnly(folder, EXAMPLES "/two-desks.kmc", 9, message), 1);
    QCOMPARE(message, QStringLiteral("Invalid number of ports"));
    QCOMPARE(convertOnly(QStringLiteral("/nonexistent"), EXAMPLES "/two-desks.kmc", 4, message), -1);
    QCOMPARE(message, QStringLiteral("Cannot load conversion library"));
    ConversionLibrary::setApiForTesting(&kLibraryApi);
    {
        ConversionLibrary library;
        library.load(conversionLibraryPath(folder));
        library.load(conversionLibraryPath(folder));
    }
    ConversionLibrary::setApiForTesting(nullptr);
    QCOMPARE(g_events.join(' '), QStringLiteral("open close open close"));
}

// Without a hook the boxes are Qt's own, with the icon of their kind.
void TestTrevikWindow::boxKinds()
{
    setMessageBoxHook(nullptr);
    QList<int> icons;
    for (MessageKind kind : {MessageKind::Critical, MessageKind::Information}) {
        QTimer::singleShot(0, [&icons] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            icons << (box ? box->icon() : -1);
            if (box)
                box->accept();
        });
        showMessageBox(nullptr, kind, QStringLiteral("Trevik Tool"), QStringLiteral("text"));
    }
    setMessageBoxHook(recordBox);
    QCOMPARE(icons, QList<int>({QMessageBox::Critical, QMessageBox::Information}));
}

// Tab to Process, Space, Enter on the box: the focus is back on Process for the next Space, 300
// times (after 3 loads an emulated switch's port count ends each at once: the same keys).
void TestTrevikWindow::keyboardKeepsItsPlace()
{
    addSwitch(5);
    g_configMgr.setDeviceCom(5);
    pref::iComBaudrate = 115200; // the image takes 81 ms on the line, not a second
    Trevik window;
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* process = window.findChild<QPushButton*>("processButt");
    window.findChild<QLineEdit*>("filePathEdit")->setText(EXAMPLES "/two-desks.kmc");
    QTRY_VERIFY(process->isEnabled());
    process->setFocus(Qt::TabFocusReason);
    int loads = 0;
    for (; loads < 300 && QApplication::focusWidget() == process; ++loads) {
        pref::bEmulateDevice = loads >= 3;
        g_boxes.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!g_boxes.isEmpty(), 5000);
        QCOMPARE(g_boxes.first().startsWith("Trevik Tool: Configuration file has been successfully loaded"), loads < 3);
        QTRY_VERIFY(process->isEnabled());
    }
    pref::bEmulateDevice = false;
    pref::iComBaudrate = 9600;
    QCOMPARE(loads, 300);
    QCOMPARE(QApplication::focusWidget(), process);
}

int main(int argc, char* argv[])
{
    QTemporaryDir home; // a private user: settings and pinned ports
    g_home = &home;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "TREVIK_PORT_DIR"})
        qputenv(variable, (home.path() + (variable[0] == 'T' ? "/ports" : "/config")).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QDir().mkpath(portFolder());
    QApplication application(argc, argv);
    g_configMgr.initialize();
    setMessageBoxHook(recordBox);
    TestTrevikWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "trevik_window_test.moc"

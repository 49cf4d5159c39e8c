// The main window without a switch: its widget tree and texts, the status bar and the Process
// button, the port selector, and the header fields filled from Browse.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "browse_folder.h"
#include "com_handler256.h"
#include "cqt_config_mgr.h"
#include "list_com_ports.h"
#include "pinned_ports.h"
#include "serial_device_enumerator.h"
#include "test_environment.h"
#include "trevik.h"

namespace {

const QSize kNoMaximum(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

struct StatusBarLabels
{
    QLabel* led = nullptr;
    QLabel* status = nullptr;
    QLabel* gap = nullptr;
};

// The three status-bar labels, told apart by what they show: the LED a picture, the status a
// text, the gap nothing.
StatusBarLabels statusBarLabels(QMainWindow& window)
{
    const QList<QLabel*> labels = window.statusBar()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    StatusBarLabels result;
    for (QLabel* label : labels) {
        if (!label->pixmap(Qt::ReturnByValue).isNull())
            result.led = label;
        else if (!label->text().isEmpty())
            result.status = label;
        else
            result.gap = label;
    }
    if (labels.size() != 3)
        return StatusBarLabels();
    return result;
}

bool sameImage(const QLabel* label, const QString& strResource)
{
    const QPixmap pixmap = label->pixmap(Qt::ReturnByValue);
    return !pixmap.isNull()
        && pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied)
               == QImage(strResource).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class TestTrevikWindow : public QObject
{
    Q_OBJECT

public:
    explicit TestTrevikWindow(TestEnvironment& env)
        : m_env(env), m_ports(env.portFolder())
    {
    }

private slots:
    void initTestCase();
    void cleanup();

    void windowFrame();
    void slotsInOrder();
    void widgetTree_data();
    void widgetTree();
    void layouts_data();
    void layouts();
    void statusBarWidgets();
    void connectionStates_data();
    void connectionStates();
    void firstCheckFindsStoredPort();
    void portSelector_data();
    void portSelector();
    void noPortsKeepsStoredPort();
    void choosingPortSavesAtOnce();
    void portLeavingDisconnects();
    void browseFillsHeader();
    void browseCancelledChangesNothing();
    void browseStartFolder_data();
    void browseStartFolder();

private:
    std::unique_ptr<Trevik> makeWindow();
    QList<unsigned int> listedPorts();

    TestEnvironment& m_env;
    PinnedPorts m_ports;
    QList<unsigned int> m_systemPorts;
};

void TestTrevikWindow::initTestCase()
{
    QVERIFY(m_env.isValid());
    // Ports the machine has of its own (a built-in UART, say) stay in every list; the
    // expectations below are made relative to them.
    QStringList descriptions;
    listComPorts(m_systemPorts, descriptions);
    QVERIFY2(!m_systemPorts.contains(3) && !m_systemPorts.contains(5),
             "COM3 and COM5 must be free for the pinned test ports");
    QVERIFY2(m_ports.add(3), qPrintable(m_ports.lastError()));
    QVERIFY2(m_ports.add(5), qPrintable(m_ports.lastError()));
}

void TestTrevikWindow::cleanup()
{
    g_configMgr.setDeviceCom(5);
}

std::unique_ptr<Trevik> TestTrevikWindow::makeWindow()
{
    return std::make_unique<Trevik>();
}

QList<unsigned int> TestTrevikWindow::listedPorts()
{
    QList<unsigned int> ports;
    QStringList descriptions;
    listComPorts(ports, descriptions);
    return ports;
}

void TestTrevikWindow::windowFrame()
{
    auto window = makeWindow();
    QCOMPARE(window->objectName(), QStringLiteral("TrevikClass"));
    QCOMPARE(window->size(), QSize(867, 731));
    QCOMPARE(window->windowTitle(), QStringLiteral("Trevik"));

    auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    QCOMPARE(window->centralWidget()->objectName(), QStringLiteral("centralWidget"));
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("Trevik"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("Trevik"));
    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusBar"));

    auto* central = window->findChild<QGridLayout*>(QStringLiteral("gridLayout"));
    QVERIFY(central);
    int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
    central->getItemPosition(central->indexOf(tabs), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(QList<int>({row, column, rowSpan, columnSpan}), QList<int>({0, 0, 1, 1}));

    auto* portConf = window->findChild<QComboBox*>(QStringLiteral("portConfBox"));
    QVERIFY(portConf);
    QStringList items;
    for (int i = 0; i < portConf->count(); ++i)
        items << portConf->itemText(i);
    QCOMPARE(items, QStringList({"4", "8", "16"}));
    QCOMPARE(portConf->currentText(), QStringLiteral("4"));

    auto* processButt = window->findChild<QPushButton*>(QStringLiteral("processButt"));
    auto* buttonLayout = window->findChild<QHBoxLayout*>(QStringLiteral("horizontalLayout"));
    QVERIFY(processButt && buttonLayout);
    QCOMPARE(buttonLayout->count(), 1);
    QCOMPARE(buttonLayout->itemAt(0)->widget(), processButt);
    QCOMPARE(buttonLayout->parentWidget()->objectName(), QStringLiteral("widget"));

    auto* textEdit = window->findChild<QTextEdit*>(QStringLiteral("textEdit"));
    QVERIFY(textEdit);
    QVERIFY(textEdit->toPlainText().isEmpty());
}

void TestTrevikWindow::slotsInOrder()
{
    const QMetaObject& meta = Trevik::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        QCOMPARE(meta.method(i).methodType(), QMetaMethod::Slot);
        QCOMPARE(meta.method(i).access(), QMetaMethod::Private);
        methods << QString::fromLatin1(meta.method(i).methodSignature());
    }
    QCOMPARE(methods, QStringList({"onBrowseForConfigFile()", "onProcessClicked()", "processLoadConfig(QString)",
                                   "writeToDevice(unsigned char*,int)", "onCOMChanged(int)",
                                   "onComConnected(bool)", "onRefresh()"}));
}

void TestTrevikWindow::widgetTree_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("columnSpan");

    const QSize any(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize height24(QWIDGETSIZE_MAX, 24);
    // clang-format off
    QTest::newRow("label")           << "QLabel"      << "Select configuration file" << true  << QSize(0, 24)   << any      << 0 << 0 << 1;
    QTest::newRow("filePathEdit")    << "QLineEdit"   << ""                          << false << QSize(0, 24)   << any      << 0 << 1 << 4;
    QTest::newRow("browseButt")      << "QPushButton" << "Browse"                    << false << QSize(0, 24)   << any      << 0 << 5 << 1;
    QTest::newRow("label_2")         << "QLabel"      << "Select COM port"           << true  << QSize(0, 24)   << any      << 1 << 0 << 1;
    QTest::newRow("comboBoxPort")    << "QComboBox"   << ""                          << false << QSize(270, 24) << any      << 1 << 1 << 1;
    QTest::newRow("label_8")         << "QLabel"      << "Select port configuration" << true  << QSize(0, 0)    << any      << 1 << 3 << 1;
    QTest::newRow("portConfBox")     << "QComboBox"   << ""                          << false << QSize(0, 0)    << any      << 1 << 4 << 1;
    QTest::newRow("line")            << "QFrame"      << ""                          << false << QSize(0, 0)    << any      << 2 << 0 << 6;
    QTest::newRow("label_3")         << "QLabel"      << "Date and time"             << true  << QSize(0, 24)   << any      << 3 << 0 << 1;
    QTest::newRow("editDate")        << "QLineEdit"   << ""                          << false << QSize(0, 24)   << height24 << 3 << 1 << 1;
    QTest::newRow("label_4")         << "QLabel"      << "Name"                      << true  << QSize(0, 24)   << any      << 3 << 2 << 1;
    QTest::newRow("editName")        << "QLineEdit"   << ""                          << false << QSize(0, 24)   << height24 << 3 << 3 << 1;
    QTest::newRow("label_5")         << "QLabel"      << "Description"               << true  << QSize(0, 24)   << any      << 3 << 4 << 1;
    QTest::newRow("editDescription") << "QLineEdit"   << ""                          << false << QSize(0, 24)   << height24 << 3 << 5 << 1;
    QTest::newRow("line_2")          << "QFrame"      << ""                          << false << QSize(0, 0)    << any      << 4 << 0 << 6;
    QTest::newRow("widget")          << "QWidget"     << ""                          << false << QSize(0, 0)    << any      << 5 << 0 << 6;
    QTest::newRow("textEdit")        << "QTextEdit"   << ""                          << false << QSize(0, 0)    << any      << 6 << 0 << 6;
    QTest::newRow("processButt")     << "QPushButton" << "Process"                   << false << QSize(0, 36)   << QSize(100, QWIDGETSIZE_MAX) << -1 << -1 << -1;
    // clang-format on
}

void TestTrevikWindow::widgetTree()
{
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, columnSpan);

    auto window = makeWindow();
    const QString strName = QString::fromLatin1(QTest::currentDataTag());
    auto* widget = window->findChild<QWidget*>(strName);
    QVERIFY2(widget, qPrintable(strName));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
    QCOMPARE(widget->font().bold(), bold);
    if (bold)
        QCOMPARE(widget->font().weight(), 75);

    if (auto* label = qobject_cast<QLabel*>(widget))
        QCOMPARE(label->text(), text);
    else if (auto* button = qobject_cast<QPushButton*>(widget))
        QCOMPARE(button->text(), text);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        QVERIFY(edit->text().isEmpty());
        // Only the path is typed; the header fields are filled by the program.
        QCOMPARE(edit->isReadOnly(), strName != QLatin1String("filePathEdit"));
    } else if (auto* frame = qobject_cast<QFrame*>(widget); frame && className == QLatin1String("QFrame")) {
        QCOMPARE(frame->frameShape(), QFrame::HLine);
        QCOMPARE(frame->frameShadow(), QFrame::Sunken);
    }

    if (row < 0)
        return;
    auto* grid = window->findChild<QGridLayout*>(QStringLiteral("gridLayout_2"));
    QVERIFY(grid);
    QCOMPARE(grid->parentWidget()->objectName(), QStringLiteral("Trevik"));
    const int index = grid->indexOf(widget);
    QVERIFY(index >= 0);
    int r = -1, c = -1, rowSpan = -1, span = -1;
    grid->getItemPosition(index, &r, &c, &rowSpan, &span);
    QCOMPARE(r, row);
    QCOMPARE(c, column);
    QCOMPARE(rowSpan, 1);
    QCOMPARE(span, columnSpan);
}

void TestTrevikWindow::layouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("gridLayout") << "gridLayout";
    QTest::newRow("gridLayout_2") << "gridLayout_2";
    QTest::newRow("horizontalLayout") << "horizontalLayout";
}

void TestTrevikWindow::layouts()
{
    QFETCH(QString, name);
    auto window = makeWindow();
    auto* layout = window->findChild<QLayout*>(name);
    QVERIFY(layout);
    QCOMPARE(layout->spacing(), 6);
    QCOMPARE(layout->contentsMargins(), QMargins(11, 11, 11, 11));
}

void TestTrevikWindow::statusBarWidgets()
{
    g_configMgr.setDeviceCom(5);
    m_ports.hold(5); // listed but taken: the first check reports disconnected
    auto window = makeWindow();
    m_ports.release(5);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    const StatusBarLabels labels = statusBarLabels(*window);
    QVERIFY(labels.led && labels.status && labels.gap);
    // Left to right: LED, status text, gap.
    QVERIFY(labels.led->x() < labels.status->x());
    QVERIFY(labels.status->x() < labels.gap->x());
    QCOMPARE(labels.led->minimumSize(), QSize(30, 30));
    QCOMPARE(labels.led->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    QVERIFY(sameImage(labels.led, QStringLiteral(":/Trevik/Resources/led_red.png")));
    QCOMPARE(labels.status->text(), QStringLiteral("Device DISCONNECTED"));
    QCOMPARE(labels.status->minimumWidth(), 250);
    QCOMPARE(labels.status->minimumHeight(), 30);
    QCOMPARE(labels.status->font().pixelSize(), 18);
    QCOMPARE(labels.gap->minimumWidth(), 30);
    QCOMPARE(labels.gap->maximumWidth(), 30);

    // The pictures are 16 x 16 with an alpha channel, and they differ.
    const QImage red(QStringLiteral(":/Trevik/Resources/led_red.png"));
    const QImage yellow(QStringLiteral(":/Trevik/Resources/led_yellow.png"));
    for (const QImage& image : {red, yellow}) {
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(8, 8)), 255);
    }
    QVERIFY(red != yellow);
}

void TestTrevikWindow::connectionStates_data()
{
    QTest::addColumn<QList<bool>>("emitted");
    QTest::newRow("connected") << QList<bool>{true};
    QTest::newRow("disconnected") << QList<bool>{false};
    QTest::newRow("connected, then lost") << QList<bool>{true, false};
    QTest::newRow("lost, then back") << QList<bool>{false, true};
}

void TestTrevikWindow::connectionStates()
{
    QFETCH(QList<bool>, emitted);
    auto window = makeWindow();
    auto* handler = window->findChild<COMHandler256*>();
    QVERIFY(handler);
    QCOMPARE(handler->parent(), window.get());
    for (bool bConnected : emitted)
        QVERIFY(QMetaObject::invokeMethod(handler, "comConnected", Q_ARG(bool, bConnected)));

    const bool connected = emitted.last();
    const StatusBarLabels labels = statusBarLabels(*window);
    QVERIFY(labels.led && labels.status);
    QCOMPARE(labels.status->text(), connected ? QStringLiteral("Device connected") : QStringLiteral("Device DISCONNECTED"));
    QCOMPARE(labels.status->styleSheet(), connected ? QStringLiteral("QLabel{ color : green; }") : QStringLiteral("QLabel{ color : red; }"));
    QVERIFY(sameImage(labels.led, connected ? QStringLiteral(":/Trevik/Resources/led_yellow.png")
                                                      : QStringLiteral(":/Trevik/Resources/led_red.png")));
    QCOMPARE(window->findChild<QPushButton*>(QStringLiteral("processButt"))->isEnabled(), connected);
}

void TestTrevikWindow::firstCheckFindsStoredPort()
{
    // The constructor's own check: a present, free port shows connected before any show().
    g_configMgr.setDeviceCom(5);
    auto window = makeWindow();
    QCOMPARE(statusBarLabels(*window).status->text(), QStringLiteral("Device connected"));
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("processButt"))->isEnabled());

    // Listed, but held by another program.
    QVERIFY(m_ports.hold(5));
    auto held = makeWindow();
    m_ports.release(5);
    QCOMPARE(g_configMgr.deviceCom(), 5);
    QCOMPARE(statusBarLabels(*held).status->text(), QStringLiteral("Device DISCONNECTED"));
    QVERIFY(!held->findChild<QPushButton*>(QStringLiteral("processButt"))->isEnabled());
}

void TestTrevikWindow::portSelector_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expectedCurrent"); // 0: the first port listed
    QTest::newRow("stored port present") << 5 << 5;
    QTest::newRow("other stored port present") << 3 << 3;
    QTest::newRow("stored port absent") << 7 << 0;
    QTest::newRow("stored port invalid") << 0 << 0;
}

void TestTrevikWindow::portSelector()
{
    QFETCH(int, stored);
    QFETCH(int, expectedCurrent);
    const QList<unsigned int> listed = listedPorts();
    QVERIFY(listed.contains(3) && listed.contains(5));
    if (expectedCurrent == 0)
        expectedCurrent = static_cast<int>(listed.first());

    g_configMgr.setDeviceCom(stored);
    auto window = makeWindow();
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("comboBoxPort"));
    QCOMPARE(combo->count(), listed.size());
    for (int i = 0; i < combo->count(); ++i) {
        QCOMPARE(combo->itemData(i).userType(), int(QMetaType::UInt));
        QCOMPARE(combo->itemData(i).toUInt(), listed.at(i));
        QVERIFY2(combo->itemText(i).startsWith(QStringLiteral("COM%1 (").arg(listed.at(i))), qPrintable(combo->itemText(i)));
        QVERIFY(combo->itemText(i).endsWith(QLatin1Char(')')));
    }
    QCOMPARE(combo->currentData().toInt(), expectedCurrent);
    QCOMPARE(g_configMgr.deviceCom(), expectedCurrent);
    QCOMPARE(m_env.storedDeviceCom(), expectedCurrent);
}

void TestTrevikWindow::noPortsKeepsStoredPort()
{
    if (!m_systemPorts.isEmpty())
        QSKIP("this machine has serial ports of its own; the empty list cannot be made here");
    m_ports.remove(3);
    m_ports.remove(5);
    g_configMgr.setDeviceCom(5);
    auto window = makeWindow();
    m_ports.add(3);
    m_ports.add(5);
    QCOMPARE(window->findChild<QComboBox*>(QStringLiteral("comboBoxPort"))->count(), 0);
    QCOMPARE(g_configMgr.deviceCom(), 5);
    QCOMPARE(statusBarLabels(*window).status->text(), QStringLiteral("Device DISCONNECTED"));
    QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("processButt"))->isEnabled());
}

void TestTrevikWindow::choosingPortSavesAtOnce()
{
    g_configMgr.setDeviceCom(5);
    auto window = makeWindow();
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("comboBoxPort"));
    const int index3 = combo->findData(QVariant(3u));
    QVERIFY(index3 >= 0);
    combo->setCurrentIndex(index3);
    QCOMPARE(g_configMgr.deviceCom(), 3);
    QCOMPARE(m_env.storedDeviceCom(), 3);
}

void TestTrevikWindow::portLeavingDisconnects()
{
    // The change watch, not the window, notices a port going away and coming back.
    g_configMgr.setDeviceCom(3);
    auto window = makeWindow();
    QLabel* status = statusBarLabels(*window).status;
    auto* processButt = window->findChild<QPushButton*>(QStringLiteral("processButt"));
    QCOMPARE(status->text(), QStringLiteral("Device connected"));

    m_ports.remove(3);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Device DISCONNECTED"), 10000);
    QVERIFY(!processButt->isEnabled());

    QVERIFY(m_ports.add(3));
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Device connected"), 10000);
    QVERIFY(processButt->isEnabled());
}

namespace {
// Answers the next file dialog with `strPath` (or cancels it when empty) once it is open.
void answerFileDialog(const QString& strPath, QString* pCaption, QStringList* pFilters)
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            answerFileDialog(strPath, pCaption, pFilters);
            return;
        }
        *pCaption = dialog->windowTitle();
        *pFilters = dialog->nameFilters();
        if (strPath.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(strPath);
            // QFileDialog's own accept, which takes the selection, through the public slot.
            static_cast<QDialog*>(dialog)->accept();
        }
    });
}
} // namespace

void TestTrevikWindow::browseFillsHeader()
{
    const QString strFile = m_env.path() + QStringLiteral("/header.kmc");
    QFile file(strFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Name=\"Two desks\"\r\nDescription=\r\nDate and time=\"21.12.2016 14:26\"\r\n[Screens]\r\n");
    file.close();

    auto window = makeWindow();
    window->findChild<QLineEdit*>(QStringLiteral("editName"))->setText(QStringLiteral("stale"));
    QString caption;
    QStringList filters;
    answerFileDialog(strFile, &caption, &filters);
    window->findChild<QPushButton*>(QStringLiteral("browseButt"))->click();

    QCOMPARE(caption, QStringLiteral("Open KM Configuration file..."));
    QCOMPARE(filters, QStringList{QStringLiteral("KM Configuration files (*.kmc)")});
    QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("filePathEdit"))->text(), QDir::toNativeSeparators(strFile));
    QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("editName"))->text(), QStringLiteral("Two desks"));
    QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("editDescription"))->text(), QString());
    QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("editDate"))->text(), QStringLiteral("21.12.2016 14:26"));
}

void TestTrevikWindow::browseCancelledChangesNothing()
{
    auto window = makeWindow();
    auto* path = window->findChild<QLineEdit*>(QStringLiteral("filePathEdit"));
    auto* name = window->findChild<QLineEdit*>(QStringLiteral("editName"));
    path->setText(QStringLiteral("/somewhere/kept.kmc"));
    name->setText(QStringLiteral("kept"));
    QString caption;
    QStringList filters;
    answerFileDialog(QString(), &caption, &filters);
    window->findChild<QPushButton*>(QStringLiteral("browseButt"))->click();
    QCOMPARE(caption, QStringLiteral("Open KM Configuration file..."));
    QCOMPARE(path->text(), QStringLiteral("/somewhere/kept.kmc"));
    QCOMPARE(name->text(), QStringLiteral("kept"));
}

void TestTrevikWindow::browseStartFolder_data()
{
    // Folders and a file under one base; "missing" names nothing.
    QTest::addColumn<QStringList>("desktops");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("start");
    QTest::newRow("first desktop") << QStringList{"desk", "other"} << "home" << "desk";
    QTest::newRow("missing desktop skipped") << QStringList{"missing", "other"} << "home" << "other";
    QTest::newRow("no desktop folder") << QStringList{"missing"} << "home" << "home";
    QTest::newRow("no desktop location") << QStringList{} << "home" << "home";
    QTest::newRow("a file is no folder") << QStringList{"file"} << "home" << "home";
    QTest::newRow("nothing exists") << QStringList{"missing"} << "missing" << "";
}

void TestTrevikWindow::browseStartFolder()
{
    QFETCH(QStringList, desktops);
    QFETCH(QString, home);
    QFETCH(QString, start);
    const QString base = m_env.path() + QStringLiteral("/browse/");
    for (const char* folder : {"desk", "other", "home"})
        QVERIFY(QDir().mkpath(base + QLatin1String(folder)));
    QFile file(base + QStringLiteral("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (QString& desktop : desktops)
        desktop.prepend(base);
    QCOMPARE(::browseStartFolder(desktops, base + home), start.isEmpty() ? QString() : base + start);
}

int main(int argc, char* argv[])
{
    TestEnvironment env;
    return runWindowTest(argc, argv, {}, [&env] { return new TestTrevikWindow(env); });
}

#include "trevik_window_test.moc"

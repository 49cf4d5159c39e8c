// The load flow end to end: the real conversion library, the real device link and a simulated
// switch on a pseudo-terminal. Every message box is caught and read; none stays open.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include "com_handler256.h"
#include "conversion_library.h"
#include "cqt_config_mgr.h"
#include "message_box.h"
#include "switch_simulator.h"
#include "test_environment.h"
#include "trevik.h"

namespace {

const int kSwitchCom = 12;

struct ShownBox
{
    QWidget* parent;
    MessageKind kind;
    QString title;
    QString text;
};
QList<ShownBox> g_boxes;

void recordBox(QWidget* pParent, MessageKind kind, const QString& strTitle, const QString& strText)
{
    g_boxes.append({pParent, kind, strTitle, strText});
}

// Passes every call to the platform, counting them; can send the load to another file, and
// notes how many images the switch had received when the library went away.
struct LibraryCalls
{
    int opens = 0;
    int successfulOpens = 0;
    int closes = 0;
    QByteArray requestedPath;
    QByteArray redirectTo;
    const kmsim::SwitchSimulator* sim = nullptr;
    int imagesAtClose = -1;
};
LibraryCalls g_library;

void* countingOpen(const QByteArray& path)
{
    ++g_library.opens;
    g_library.requestedPath = path;
    void* pHandle = platformDynamicLibraryApi().open(g_library.redirectTo.isEmpty() ? path : g_library.redirectTo);
    if (pHandle)
        ++g_library.successfulOpens;
    return pHandle;
}

void* passSymbol(void* pHandle, const char* szName)
{
    return platformDynamicLibraryApi().symbol(pHandle, szName);
}

void countingClose(void* pHandle)
{
    ++g_library.closes;
    if (g_library.sim)
        g_library.imagesAtClose = static_cast<int>(g_library.sim->images().size());
    platformDynamicLibraryApi().close(pHandle);
}

const DynamicLibraryApi g_countingApi = {countingOpen, passSymbol, countingClose};

QByteArray imageFromKmcconv(const QString& strFile, int ports, const QString& strOut)
{
    QProcess kmcconv;
    kmcconv.start(QStringLiteral(KMCCONV_FILE),
                  {QStringLiteral("--ports"), QString::number(ports), QStringLiteral("-o"), strOut, strFile});
    if (!kmcconv.waitForFinished(30000) || kmcconv.exitCode() != 0)
        return QByteArray();
    QFile image(strOut);
    return image.open(QIODevice::ReadOnly) ? image.readAll() : QByteArray();
}

QString example(const char* name)
{
    return QStringLiteral(EXAMPLES_DIR "/") + QLatin1String(name);
}

} // namespace

class TestLoadFlow : public QObject
{
    Q_OBJECT

public:
    explicit TestLoadFlow(TestEnvironment& env) : m_env(env) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadsImage_data();
    void loadsImage();
    void converterRefuses_data();
    void converterRefuses();
    void portCountDiffers_data();
    void portCountDiffers();
    void switchMisbehaves_data();
    void switchMisbehaves();
    void libraryProblems_data();
    void libraryProblems();
    void typedPathKeepsHeader();
    void realMessageBoxIsModalWithOneButton();
    void secondPressDuringLoadIsIgnored_data();
    void secondPressDuringLoadIsIgnored();
    // Turns emulation on for the rest of the process: keep it last.
    void emulatedSwitchReportsFourteenPorts();

private:
    bool startSwitch(const kmsim::SimOptions& options);
    std::unique_ptr<Trevik> makeConnectedWindow();
    void process(Trevik& window, const QString& strPath, const QString& strPorts);

    TestEnvironment& m_env;
    std::unique_ptr<kmsim::SwitchSimulator> m_sim;
};

void TestLoadFlow::initTestCase()
{
    QVERIFY(m_env.isValid());
    QVERIFY2(QFile::exists(conversionLibraryPath(QCoreApplication::applicationDirPath())),
             "libzentrix.so must sit beside the test program");
}

void TestLoadFlow::init()
{
    g_boxes.clear();
    g_library = LibraryCalls();
    setMessageBoxHook(recordBox);
    ConversionLibrary::setApiForTesting(&g_countingApi);
    g_configMgr.setDeviceCom(kSwitchCom);
}

void TestLoadFlow::cleanup()
{
    setMessageBoxHook(nullptr);
    ConversionLibrary::setApiForTesting(nullptr);
    // Whatever happened, every library that was loaded went away again.
    QCOMPARE(g_library.closes, g_library.successfulOpens);
    if (m_sim)
        m_sim->stop();
    m_sim.reset();
}

bool TestLoadFlow::startSwitch(const kmsim::SimOptions& base)
{
    kmsim::SimOptions options = base;
    options.comNumber = kSwitchCom;
    options.portDir = m_env.portFolder().toStdString();
    options.logPath.clear();
    m_sim = std::make_unique<kmsim::SwitchSimulator>(options);
    std::string error;
    if (!m_sim->start(error)) {
        qWarning("simulator: %s", error.c_str());
        return false;
    }
    g_library.sim = m_sim.get();
    return true;
}

std::unique_ptr<Trevik> TestLoadFlow::makeConnectedWindow()
{
    auto window = std::make_unique<Trevik>();
    // A switch that was just plugged in is seen once the change watch has rescanned.
    auto* processButt = window->findChild<QPushButton*>(QStringLiteral("processButt"));
    if (!QTest::qWaitFor([&] { return processButt->isEnabled(); }, 10000))
        return nullptr;
    return window;
}

void TestLoadFlow::process(Trevik& window, const QString& strPath, const QString& strPorts)
{
    window.findChild<QLineEdit*>(QStringLiteral("filePathEdit"))->setText(strPath);
    auto* portConf = window.findChild<QComboBox*>(QStringLiteral("portConfBox"));
    portConf->setCurrentIndex(portConf->findText(strPorts));
    window.findChild<QPushButton*>(QStringLiteral("processButt"))->click();
}

void TestLoadFlow::loadsImage_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("ports");
    QTest::newRow("two desks") << example("two-desks.kmc") << 4;
    QTest::newRow("eight ports") << example("eight-ports.kmc") << 8;
    QTest::newRow("largest") << example("largest-16-screens-24-passages.kmc") << 4;
}

void TestLoadFlow::loadsImage()
{
    QFETCH(QString, file);
    QFETCH(int, ports);
    const QByteArray expected = imageFromKmcconv(file, ports, m_env.path() + QStringLiteral("/expected.bin"));
    QCOMPARE(expected.size(), 920);

    kmsim::SimOptions options;
    options.portCount = ports;
    QVERIFY(startSwitch(options));
    auto window = makeConnectedWindow();
    QVERIFY(window);
    process(*window, file, QString::number(ports));

    QCOMPARE(g_boxes.size(), 1);
    QCOMPARE(g_boxes[0].parent, window.get());
    QCOMPARE(g_boxes[0].kind, MessageKind::Information);
    QCOMPARE(g_boxes[0].title, QStringLiteral("Trevik Tool"));
    QCOMPARE(g_boxes[0].text, QStringLiteral("Configuration file has been successfully loaded to device"));

    const auto images = m_sim->images();
    QCOMPARE(images.size(), size_t(1));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(images[0].data()), int(images[0].size())), expected);
    // 32 GET_INFO exchanges, then the one write.
    QCOMPARE(m_sim->receivedCount(), 33);
    // Loaded from the program's own folder, and still loaded while the image went out.
    QCOMPARE(QString::fromUtf8(g_library.requestedPath), conversionLibraryPath(QCoreApplication::applicationDirPath()));
    QCOMPARE(g_library.opens, 1);
    QCOMPARE(g_library.closes, 1);
    QCOMPARE(g_library.imagesAtClose, 1);
}

void TestLoadFlow::converterRefuses_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("ports");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << m_env.path() + QStringLiteral("/no such file.kmc") << "4" << "Cannot open test.kmc";
    QTest::newRow("empty path") << QString() << "4" << "Cannot open test.kmc";
    QTest::newRow("16 ports") << example("two-desks.kmc") << "16" << "Invalid number of ports";
    QTest::newRow("16 ports, missing file") << QStringLiteral("/nowhere.kmc") << "16" << "Invalid number of ports";
    QTest::newRow("builder refuses")
        << QStringLiteral(FIXTURES_DIR "/builder-18-geometry-port-above-count.kmc") << "4"
        << "Could not convert data: error #3";
}

void TestLoadFlow::converterRefuses()
{
    QFETCH(QString, file);
    QFETCH(QString, ports);
    QFETCH(QString, message);

    QVERIFY(startSwitch(kmsim::SimOptions()));
    auto window = makeConnectedWindow();
    QVERIFY(window);
    process(*window, file, ports);

    QCOMPARE(g_boxes.size(), 1);
    QCOMPARE(g_boxes[0].kind, MessageKind::Critical);
    QCOMPARE(g_boxes[0].title, QStringLiteral("KM Configuration Converter Error"));
    QCOMPARE(g_boxes[0].text, message);
    QCOMPARE(m_sim->receivedCount(), 0); // the switch is never asked
    QCOMPARE(g_library.closes, 1);
}

void TestLoadFlow::portCountDiffers_data()
{
    QTest::addColumn<int>("switchPorts");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("switch 8, chosen 4") << 8 << "4";
    QTest::newRow("switch 4, chosen 8") << 4 << "8";
    QTest::newRow("switch 15, chosen 4") << 15 << "4";
}

void TestLoadFlow::portCountDiffers()
{
    QFETCH(int, switchPorts);
    QFETCH(QString, chosen);

    kmsim::SimOptions options;
    options.portCount = switchPorts;
    QVERIFY(startSwitch(options));
    auto window = makeConnectedWindow();
    QVERIFY(window);
    const QString file = chosen == QLatin1String("8") ? example("eight-ports.kmc") : example("two-desks.kmc");
    process(*window, file, chosen);

    QCOMPARE(g_boxes.size(), 1);
    QCOMPARE(g_boxes[0].kind, MessageKind::Critical);
    QCOMPARE(g_boxes[0].title, QStringLiteral("KM Configuration Converter Error"));
    QCOMPARE(g_boxes[0].text, QStringLiteral("Wrong port configuration.\nConfigured number of ports: %1. Actual number of ports: %2.")
                                  .arg(chosen).arg(switchPorts));
    QCOMPARE(m_sim->images().size(), size_t(0)); // nothing written
    QCOMPARE(m_sim->receivedCount(), 32);
}

void TestLoadFlow::switchMisbehaves_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("faultAt");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const QString converter = QStringLiteral("KM Configuration Converter Error");
    QTest::newRow("garbage first answer") << int(kmsim::Fault::WrongMagic) << 0 << converter
                                          << "Invalid magic number detected in read stream value";
    QTest::newRow("wrong record length") << int(kmsim::Fault::WrongLength) << 3 << converter
                                         << "Invalid data length of GET_INFO structure. Expected : 18 bytes, got 17 bytes";
    QTest::newRow("silent switch") << int(kmsim::Fault::Silence) << 0 << converter << "COM port read failed by timeout";
    QTest::newRow("garbage answer to the write")
        << int(kmsim::Fault::WrongMagic) << 32 << "Trevik Tool"
        << "Configuration file failed to load. Error : Invalid magic number detected in COM response on PROD_SET_DATA";
    QTest::newRow("no answer to the write") << int(kmsim::Fault::Silence) << 32 << "Trevik Tool"
                                            << "Configuration file failed to load. Error : COM port read failed by timeout";
}

void TestLoadFlow::switchMisbehaves()
{
    QFETCH(int, fault);
    QFETCH(int, faultAt);
    QFETCH(QString, title);
    QFETCH(QString, text);

    kmsim::SimOptions options;
    options.fault = static_cast<kmsim::Fault>(fault);
    options.faultAt = faultAt;
    QVERIFY(startSwitch(options));
    auto window = makeConnectedWindow();
    QVERIFY(window);
    auto* name = window->findChild<QLineEdit*>(QStringLiteral("editName"));
    name->setText(QStringLiteral("unchanged"));
    process(*window, example("two-desks.kmc"), QStringLiteral("4"));

    QCOMPARE(g_boxes.size(), 1);
    QCOMPARE(g_boxes[0].kind, MessageKind::Critical);
    QCOMPARE(g_boxes[0].title, title);
    QCOMPARE(g_boxes[0].text, text);
    QCOMPARE(g_library.closes, 1);
    // A failed load leaves the window as it was and can be pressed again.
    QCOMPARE(name->text(), QStringLiteral("unchanged"));
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("processButt"))->isEnabled());
}

void TestLoadFlow::libraryProblems_data()
{
    QTest::addColumn<QByteArray>("redirect");
    QTest::addColumn<QString>("text");
    QTest::newRow("library missing") << QByteArray(NO_LIBRARY_DIR "/libzentrix.so") << "Cannot load conversion library";
    QTest::newRow("convert_d missing") << QByteArray(LIBRARY_WITHOUT_CONVERT) << "Cannot locate conversion procedure";
}

void TestLoadFlow::libraryProblems()
{
    QFETCH(QByteArray, redirect);
    QFETCH(QString, text);

    QVERIFY(startSwitch(kmsim::SimOptions()));
    auto window = makeConnectedWindow();
    QVERIFY(window);
    g_library.redirectTo = redirect;
    for (int press = 1; press <= 2; ++press) {
        g_boxes.clear();
        process(*window, example("two-desks.kmc"), QStringLiteral("4"));
        QCOMPARE(g_boxes.size(), 1);
        QCOMPARE(g_boxes[0].kind, MessageKind::Critical);
        QCOMPARE(g_boxes[0].title, QStringLiteral("Trevik Error"));
        QCOMPARE(g_boxes[0].text, text);
        // Tried anew at every press.
        QCOMPARE(g_library.opens, press);
    }
    QCOMPARE(m_sim->receivedCount(), 0);
}

void TestLoadFlow::typedPathKeepsHeader()
{
    QVERIFY(startSwitch(kmsim::SimOptions()));
    auto window = makeConnectedWindow();
    QVERIFY(window);
    auto* name = window->findChild<QLineEdit*>(QStringLiteral("editName"));
    auto* date = window->findChild<QLineEdit*>(QStringLiteral("editDate"));
    name->setText(QStringLiteral("from an earlier file"));
    date->clear();
    process(*window, example("two-desks.kmc"), QStringLiteral("4"));
    QCOMPARE(g_boxes.size(), 1);
    QCOMPARE(g_boxes[0].kind, MessageKind::Information);
    QCOMPARE(name->text(), QStringLiteral("from an earlier file"));
    QVERIFY(date->text().isEmpty());
}

void TestLoadFlow::realMessageBoxIsModalWithOneButton()
{
    setMessageBoxHook(nullptr);
    QVERIFY(startSwitch(kmsim::SimOptions()));
    auto window = makeConnectedWindow();
    QVERIFY(window);

    struct Seen
    {
        bool found = false;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QWidget* parent = nullptr;
        bool modal = false;
    } seen;
    std::function<void()> closeBox = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, closeBox);
            return;
        }
        seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                box->parentWidget(), box->isModal()};
        box->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, closeBox);
    process(*window, example("two-desks.kmc"), QStringLiteral("16"));

    QVERIFY(seen.found);
    QCOMPARE(seen.title, QStringLiteral("KM Configuration Converter Error"));
    QCOMPARE(seen.text, QStringLiteral("Invalid number of ports"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen.parent, window.get());
    QVERIFY(seen.modal);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestLoadFlow::secondPressDuringLoadIsIgnored_data()
{
    QTest::addColumn<bool>("connectedDuringLoad");
    QTest::newRow("switch seen again during the load") << true;
    QTest::newRow("switch lost during the load") << false;
}

// A press handled during the open retry's wait must not start a second load: that one would
// replace the library's image with another file's while the first load still has to send it.
void TestLoadFlow::secondPressDuringLoadIsIgnored()
{
    QFETCH(bool, connectedDuringLoad);
    const QByteArray expected = imageFromKmcconv(example("two-desks.kmc"), 4, m_env.path() + QStringLiteral("/expected.bin"));
    QCOMPARE(expected.size(), 920);

    kmsim::SimOptions options;
    options.busyMs = 1500; // the first open fails, the load waits 2 s and the retry gets the port
    QVERIFY(startSwitch(options));
    Trevik window;
    auto* handler = window.findChild<COMHandler256*>();
    auto* processButt = window.findChild<QPushButton*>(QStringLiteral("processButt"));
    emit handler->comConnected(true);

    bool duringLoad = false;
    bool enabledDuringLoad = true;
    QTimer::singleShot(300, [&] {
        duringLoad = g_library.opens > g_library.closes && m_sim->holdingPort();
        emit handler->comConnected(connectedDuringLoad);
        enabledDuringLoad = processButt->isEnabled();
        window.findChild<QLineEdit*>(QStringLiteral("filePathEdit"))->setText(example("largest-16-screens-24-passages.kmc"));
        // Past the disabled button too: the slot itself refuses while a load runs.
        QMetaObject::invokeMethod(&window, "onProcessClicked");
    });
    process(window, example("two-desks.kmc"), QStringLiteral("4"));

    QVERIFY(duringLoad);
    QVERIFY(!enabledDuringLoad);
    QCOMPARE(g_library.opens, 1);
    QCOMPARE(g_boxes.size(), 1);
    QCOMPARE(g_boxes[0].kind, MessageKind::Information);
    const auto images = m_sim->images();
    QCOMPARE(images.size(), size_t(1));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(images[0].data()), int(images[0].size())), expected);
    // Afterwards Process follows the last connection state again.
    QCOMPARE(processButt->isEnabled(), connectedDuringLoad);
}

void TestLoadFlow::emulatedSwitchReportsFourteenPorts()
{
    g_configMgr.applySwitches({QStringLiteral("Trevik"), QStringLiteral("-nodevice")});
    QVERIFY(g_configMgr.emulateDevice());
    g_configMgr.setDeviceCom(kSwitchCom + 1); // no port at all
    Trevik window;
    QVERIFY(window.findChild<QPushButton*>(QStringLiteral("processButt"))->isEnabled());
    process(window, example("two-desks.kmc"), QStringLiteral("4"));
    QCOMPARE(g_boxes.size(), 1);
    QCOMPARE(g_boxes[0].text, QStringLiteral("Wrong port configuration.\nConfigured number of ports: 4. Actual number of ports: 14."));
}

int main(int argc, char* argv[])
{
    TestEnvironment env;
    return runWindowTest(argc, argv, {}, [&env] { return new TestLoadFlow(env); });
}

#include "load_flow_test.moc"

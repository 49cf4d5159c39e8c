#include "trevik.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QList>
#include <QStandardPaths>
#include <QStatusBar>

#include "browse_folder.h"
#include "com_handler256.h"
#include "config_header.h"
#include "cqt_config_mgr.h"
#include "device_call.h"
#include "list_com_ports.h"
#include "load_flow.h"
#include "message_box.h"
#include "progress_text.h"
#include "ui_trevik.h"

// The bundle lives in a static library; registering it from here makes sure the linker keeps it.
static void registerTrevikResources()
{
    Q_INIT_RESOURCE(trevik);
}

// The LED pictures are PNGs of our own bundle. Naming the format and turning detection off keeps
// the reader from loading every image plugin on the machine (and the libraries behind them) only
// to ask each whether it knows the data, which cost far more than the decoding itself.
static QPixmap decodeLed(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

Trevik::Trevik(QWidget* parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::TrevikClass>())
{
    ui->setupUi(this);
    initStatusBar();

    connect(ui->browseButt, SIGNAL(clicked()), this, SLOT(onBrowseForConfigFile()));
    connect(ui->processButt, SIGNAL(clicked()), this, SLOT(onProcessClicked()));
    connect(ui->comboBoxPort, SIGNAL(currentIndexChanged(int)), this, SLOT(onCOMChanged(int)));

    comHandler = new COMHandler256(this);
    connect(comHandler, SIGNAL(comConnected(bool)), this, SLOT(onComConnected(bool)));

    onRefresh();
    // Emits comConnected once, so the status bar and Process are right before the first show.
    comHandler->checkConnection();
}

Trevik::~Trevik()
{
    // A load still running (the application quitting under it) finishes its write first.
    deviceCall.reset();
}

void Trevik::initStatusBar()
{
    static const bool resourcesRegistered = (registerTrevikResources(), true);
    Q_UNUSED(resourcesRegistered);
    ledLabel = new QLabel(this);
    ledLabel->setMinimumSize(30, 30);
    ledLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    statusLabel = new QLabel(this);
    statusLabel->setMinimumWidth(250);
    statusLabel->setMinimumHeight(30);
    QFont font = this->font();
    font.setPixelSize(18);
    statusLabel->setFont(font);

    gapLabel = new QLabel(this);
    gapLabel->setMinimumWidth(30);
    gapLabel->setMaximumWidth(30);

    // Appended in this order, left to right. (Inserting at positions past the end of the empty
    // bar has the same result but makes Qt warn at every start.)
    ui->statusBar->addWidget(ledLabel, 0);
    ui->statusBar->addWidget(statusLabel, 0);
    ui->statusBar->addWidget(gapLabel, 0);

    progressLabel = new QLabel(this);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    ui->statusBar->addWidget(progressLabel, 1);
    progressLabel->hide();
    // The LED and the text come with the first connection check, before the window shows.
}

void Trevik::setDeviceStatus(QString text, bool connected)
{
    statusLabel->setText(text);
    if (connected) {
        ledLabel->setPixmap(led(yellowLed, QStringLiteral(":/Trevik/Resources/led_yellow.png")));
        statusLabel->setStyleSheet(QStringLiteral("QLabel{ color : green; }"));
    } else {
        ledLabel->setPixmap(led(redLed, QStringLiteral(":/Trevik/Resources/led_red.png")));
        statusLabel->setStyleSheet(QStringLiteral("QLabel{ color : red; }"));
    }
}

// Decoded when first shown: a start with the switch present never needs the red one.
const QPixmap& Trevik::led(std::unique_ptr<QPixmap>& picture, const QString& path)
{
    if (!picture)
        picture = std::make_unique<QPixmap>(decodeLed(path));
    return *picture;
}

void Trevik::onComConnected(bool bConnected)
{
    if (bConnected)
        setDeviceStatus(QStringLiteral("Device connected"), true);
    else
        setDeviceStatus(QStringLiteral("Device DISCONNECTED"), false);
    deviceConnected = bConnected;
    // During a load the button waits for the load's end to follow the new state.
    ui->processButt->setEnabled(bConnected && !loadRunning);
}

void Trevik::onRefresh()
{
    const int storedPort = g_configMgr.deviceCom();
    ui->comboBoxPort->clear();

    // A failed listing leaves both sequences empty, and so the selector.
    QList<unsigned int> ports;
    QStringList descriptions;
    listComPorts(ports, descriptions);

    // listComPorts fills both lists in step.
    for (int i = 0; i < ports.size(); ++i) {
        // The first item added becomes current at once and stores its number; the stored
        // port, when listed, takes over below.
        // One-pass substitution: a description holding "%1" must not swallow the number.
        ui->comboBoxPort->addItem(
            QStringLiteral("COM%2 (%1)").arg(descriptions.value(i), QString::number(ports[i])),
            QVariant(ports[i]));
    }
    const int storedIndex = ui->comboBoxPort->findData(QVariant(static_cast<unsigned int>(storedPort)));
    if (storedIndex >= 0)
        ui->comboBoxPort->setCurrentIndex(storedIndex);
}

void Trevik::onCOMChanged(int iIndex)
{
    Q_UNUSED(iIndex);
    // An invalid item data (no current item) reads as 0.
    g_configMgr.setDeviceCom(ui->comboBoxPort->currentData().toInt());
}

void Trevik::onBrowseForConfigFile()
{
    const QString strStart = browseStartFolder(
        QStandardPaths::standardLocations(QStandardPaths::DesktopLocation), QDir::homePath());
    const QString strPath = QFileDialog::getOpenFileName(
        this, tr("Open KM Configuration file..."), strStart, tr("KM Configuration files (*.kmc)"));
    if (strPath.isEmpty())
        return;
    ui->filePathEdit->setText(QDir::toNativeSeparators(strPath));
    readConfigHeader(strPath);
}

void Trevik::readConfigHeader(QString path)
{
    ui->editName->clear();
    ui->editDescription->clear();
    ui->editDate->clear();

    QFile file(path);
    // An unreadable file leaves the fields empty; Process reports the real trouble.
    if (!file.open(QIODevice::ReadOnly))
        return;
    const ConfigHeader header = readConfigHeaderLines(file);
    ui->editName->setText(header.strName);
    ui->editDescription->setText(header.strDescription);
    ui->editDate->setText(header.strDate);
}

void Trevik::onProcessClicked()
{
    // One load at a time: a press that reaches us during a load is dropped.
    if (loadRunning)
        return;
    beginLoad();
    processLoadConfig(QDir::toNativeSeparators(ui->filePathEdit->text()));
}

void Trevik::beginLoad()
{
    loadRunning = true;
    // Disabling the focused button would hand the focus on to the next widget (the big text
    // area): remember where it was, so the keyboard finds Process again after the load.
    focusBeforeLoad = QApplication::focusWidget();
    ui->processButt->setEnabled(false);
    ui->browseButt->setEnabled(false);
    ui->comboBoxPort->setEnabled(false);
}

void Trevik::endLoad()
{
    retireDeviceCall();
    loadLibrary.reset(); // the library goes on every path, after the load's box
    loadImage = {};
    loadRunning = false;
    ui->browseButt->setEnabled(true);
    ui->comboBoxPort->setEnabled(true);
    ui->processButt->setEnabled(deviceConnected);
    if (focusBeforeLoad && focusBeforeLoad->isEnabled() && focusBeforeLoad->window() == this)
        focusBeforeLoad->setFocus(Qt::OtherFocusReason);
    if (closeRequested) {
        closeRequested = false;
        close();
    }
}

void Trevik::closeEvent(QCloseEvent* event)
{
    // Ending the program now could leave the switch with half an image: the window closes
    // once the load has ended and its outcome has been shown.
    if (loadRunning) {
        closeRequested = true;
        progressLabel->setToolTip(QStringLiteral("The window closes when the load has ended"));
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void Trevik::processLoadConfig(QString strPath)
{
    loadPorts = ui->portConfBox->currentText().toInt();
    loadLibrary = std::make_unique<ConversionLibrary>();
    if (std::optional<LoadResult> ended = convertForLoad(*loadLibrary, QCoreApplication::applicationDirPath(),
                                                         strPath.toUtf8(), loadPorts, loadImage)) {
        showOutcome(*ended); // while the library that refused is still loaded
        endLoad();
        return;
    }
    // The switch is asked on a thread of its own with the port and line the preferences
    // name now; the window stays alive meanwhile.
    loadSettings = linkSettingsFromPreferences();
    refusal.reset();
    deviceCall = std::make_unique<DeviceCall>([this](const DeviceProgressFn& progress) {
        COMHandler256 handler(loadSettings);
        handler.setProgress(progress);
        int switchPorts = -1; // the window shows the count only in a refusal's text
        refusal = checkSwitch(handler, loadPorts, switchPorts);
    });
    runDeviceCall(deviceCall.get(), &Trevik::onSwitchChecked);
}

void Trevik::retireDeviceCall()
{
    // Its finished() may be what called us: it goes once that has returned.
    if (deviceCall)
        deviceCall.release()->deleteLater();
}

void Trevik::runDeviceCall(DeviceCall* call, void (Trevik::*next)())
{
    connect(call, &DeviceCall::progress, this, &Trevik::showProgress);
    connect(call, &DeviceCall::finished, this, next);
    call->start();
}

void Trevik::showProgress(const DeviceProgress& progress)
{
    progressLabel->setText(progressText(progress));
    progressLabel->show();
}

void Trevik::onSwitchChecked()
{
    if (refusal) {
        progressLabel->hide();
        showOutcome(*refusal);
        endLoad();
        return;
    }
    writeToDevice(loadImage.data, loadImage.size);
}

void Trevik::writeToDevice(unsigned char* pBud, int iSize)
{
    // The write's own handler lives on the call's thread; the image goes into its request as
    // a copy before the library could go.
    const QByteArray image(reinterpret_cast<const char*>(pBud), iSize);
    retireDeviceCall();
    deviceCall = std::make_unique<DeviceCall>([this, image](const DeviceProgressFn& progress) {
        deviceOutcome = writeImage(loadSettings, reinterpret_cast<const unsigned char*>(image.constData()),
                                   image.size(), progress);
    });
    runDeviceCall(deviceCall.get(), &Trevik::onImageWritten);
}

void Trevik::onImageWritten()
{
    progressLabel->hide();
    showOutcome(deviceOutcome);
    endLoad();
}

void Trevik::showOutcome(const LoadResult& outcome)
{
    showMessageBox(this, outcome.information ? MessageKind::Information : MessageKind::Critical,
                   outcome.title, outcome.text);
}

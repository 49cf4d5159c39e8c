#ifndef TREVIK_TREVIK_H
#define TREVIK_TREVIK_H

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <memory>

#include "load_flow.h"

class QLabel;
class COMHandler256;
class DeviceCall;
struct DeviceProgress;

namespace Ui {
class TrevikClass;
}

// The program's only window: pick a KMC file, see its header, pick the switch's COM port and
// its port count, and load the converted configuration into the switch with Process.
// The status bar follows the window's COMHandler256: yellow LED and "Device connected" while
// the configured port is present and can be opened, red LED and "Device DISCONNECTED"
// otherwise; Process is usable only in the first case.
//
// A load talks to the switch on threads of its own (DeviceCall), one step after the other,
// so the window keeps painting and answering while the line is slow; the status bar shows the
// load's progress. One load at a time: Process, Browse and the port selector rest until the
// load's box has been closed, the keyboard focus then goes back where it was, and a request
// to close the window during a load is carried out once the load has ended.
class Trevik : public QMainWindow
{
    Q_OBJECT

public:
    // Needs an initialised preference manager: the port selector reads and writes
    // general.device_com, and the first connection check runs before this returns.
    explicit Trevik(QWidget* parent = nullptr);
    ~Trevik() override;

private slots:
    void onBrowseForConfigFile();
    void onProcessClicked();
    // The load flow: convert strPath, check the switch's port count, write the image. Every
    // outcome ends in one modal message box; the conversion library is loaded for this call only.
    void processLoadConfig(QString strPath);
    // Sends the iSize bytes at pBud as the configuration image through a handler of its own.
    void writeToDevice(unsigned char* pBud, int iSize);
    void onCOMChanged(int iIndex);
    void onComConnected(bool bConnected);
    // Refills the port selector; the stored port becomes current when it is listed.
    void onRefresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void initStatusBar();
    void setDeviceStatus(QString text, bool connected);
    void readConfigHeader(QString path);
    void showOutcome(const LoadResult& outcome);
    // The load's start and end around every path: the controls, the focus, the progress
    // line, the library, and a close request made meanwhile.
    void beginLoad();
    void endLoad();
    // Starts `call`'s work away from the GUI thread; `next` runs on the GUI thread after it.
    void runDeviceCall(DeviceCall* call, void (Trevik::*next)());
    void retireDeviceCall();
    void onSwitchChecked();
    void onImageWritten();
    void showProgress(const DeviceProgress& progress);
    // The LED picture at path, decoded into picture on first use.
    const QPixmap& led(std::unique_ptr<QPixmap>& picture, const QString& path);

    // The designer part: one pointer per widget and layout of the form.
    std::unique_ptr<Ui::TrevikClass> ui;
    COMHandler256* comHandler = nullptr;
    // Empty until first shown.
    std::unique_ptr<QPixmap> redLed;
    std::unique_ptr<QPixmap> yellowLed;
    QLabel* statusLabel = nullptr;
    QLabel* ledLabel = nullptr;
    QLabel* gapLabel = nullptr;
    // Shows the running load's progress; hidden between loads.
    QLabel* progressLabel = nullptr;
    // What the last connection check said; Process follows it whenever no load runs.
    bool deviceConnected = true;
    // True from Process until the load's box has been closed. A second load started meanwhile
    // would replace the library's image the first one has yet to send.
    bool loadRunning = false;

    // The running load: its library (holding the image), what it was asked, where it stands.
    std::unique_ptr<ConversionLibrary> loadLibrary;
    ConvertedImage loadImage;
    int loadPorts = 0;
    LinkSettings loadSettings;
    std::unique_ptr<DeviceCall> deviceCall;
    LoadResult deviceOutcome;       // written by the device call's thread, read after it ended
    std::optional<LoadResult> refusal;
    QPointer<QWidget> focusBeforeLoad;
    bool closeRequested = false;
};

#endif

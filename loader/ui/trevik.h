#ifndef TREVIK_TREVIK_H
#define TREVIK_TREVIK_H

#include <QMainWindow>
#include <QPixmap>
#include <QString>

#include <memory>

class QLabel;
struct LoadResult;
class COMHandler256;

namespace Ui {
class TrevikClass;
}

// The program's only window: pick a KMC file, see its header, pick the switch's COM port and
// its port count, and load the converted configuration into the switch with Process.
// The status bar follows the window's COMHandler256: yellow LED and "Device connected" while
// the configured port is present and can be opened, red LED and "Device DISCONNECTED"
// otherwise; Process is usable only in the first case.
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

private:
    void initStatusBar();
    void setDeviceStatus(QString text, bool connected);
    void readConfigHeader(QString path);
    void showOutcome(const LoadResult& outcome);

    // The designer part: one pointer per widget and layout of the form.
    std::unique_ptr<Ui::TrevikClass> ui;
    COMHandler256* comHandler = nullptr;
    std::unique_ptr<QPixmap> redLed;
    std::unique_ptr<QPixmap> yellowLed;
    QLabel* statusLabel = nullptr;
    QLabel* ledLabel = nullptr;
    QLabel* gapLabel = nullptr;
    // What the last connection check said; Process follows it whenever no load runs.
    bool deviceConnected = true;
    // True while a load runs. Its open retry waits in a nested event loop, and a second load
    // started there would replace the image the first one has yet to send.
    bool loadRunning = false;
};

#endif

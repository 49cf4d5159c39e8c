#pragma once
// The application's preference manager: its table (app_preferences.h), its command-line
// switches (command_line_switches.h) and the typed accessors through which the rest of the
// program reads and changes preferences.
//
// Every accessor takes g_preferenceLock around its one access; a setter also saves the value
// at once (settings file and its backup written before it returns). Callers fetch afresh on
// every use and never cache.

#include <QStringList>

#include "cqt_base_config_mgr.h"

class CQTConfigMgr : public CQTBaseConfigMgr
{
    Q_OBJECT

public:
    CQTConfigMgr();
    ~CQTConfigMgr() override;

    int preferenceCount() override;
    CQTPreference &preferenceAt(int iIndex) override;
    // Applies the switches of the application's argument list. They only ever set.
    void parseCommandLine() override;
    // The same for a given argument list (program path first).
    void applySwitches(const QStringList &arguments);

    int deviceCom();
    void setDeviceCom(int iPort);
    bool emulateDevice();
    int logConsole();
    int logFile();
    int comBaudrate();
    int comByteSize();
    int comParity();
    int comStopBits();
    int comDtrControl();
    int comRtsControl();
    int comDsrFlow();
    int comCtsFlow();

protected:
    Identity identity() const override;
};

// The application's one preference manager.
extern CQTConfigMgr g_configMgr;

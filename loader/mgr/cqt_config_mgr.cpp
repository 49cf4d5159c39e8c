#include "cqt_config_mgr.h"

#include "app_identity.h"
#include "app_preferences.h"
#include "command_line_switches.h"

#include <QCoreApplication>
#include <QMutexLocker>

CQTConfigMgr g_configMgr;

namespace {

template <typename T>
T lockedRead(const T &value)
{
    QMutexLocker locker(&g_preferenceLock);
    return value;
}

} // namespace

CQTConfigMgr::CQTConfigMgr() = default;

CQTConfigMgr::~CQTConfigMgr() = default;

int CQTConfigMgr::preferenceCount()
{
    return kPreferenceCount;
}

CQTPreference &CQTConfigMgr::preferenceAt(int iIndex)
{
    return g_preferences[iIndex];
}

CQTBaseConfigMgr::Identity CQTConfigMgr::identity() const
{
    return Identity{kOrganizationName, kOrganizationDomain, kAppName, kAppVersion};
}

void CQTConfigMgr::parseCommandLine()
{
    applySwitches(QCoreApplication::arguments());
}

void CQTConfigMgr::applySwitches(const QStringList &arguments)
{
    // Runtime preferences only: assigned directly, nothing is saved.
    const CommandLineSwitches switches = parseCommandLineSwitches(arguments);
    if (switches.bConsole)
        pref::iLogConsole = 1;
    if (switches.bLogFile)
        pref::iLogFile = 1;
    if (switches.bNoDb)
        pref::bEmulateDb = true;
    if (switches.bNoDevice)
        pref::bEmulateDevice = true;
    if (switches.bReadOnly)
        pref::bDeviceReadOnly = true;
    if (switches.bDump)
        pref::bDumpDb = true;
    if (!switches.strMpn.isEmpty())
        pref::strDebugMpn = switches.strMpn;
}

int CQTConfigMgr::deviceCom()
{
    return lockedRead(pref::iDeviceCom);
}

void CQTConfigMgr::setDeviceCom(int iPort)
{
    QMutexLocker locker(&g_preferenceLock);
    // Filling the selector at every start picks the stored port again: nothing to write then
    // (a save syncs the whole file to the disk).
    if (pref::iDeviceCom == iPort)
        return;
    pref::iDeviceCom = iPort;
    save(&pref::iDeviceCom);
}

bool CQTConfigMgr::emulateDevice()
{
    return lockedRead(pref::bEmulateDevice);
}

int CQTConfigMgr::logConsole()
{
    return lockedRead(pref::iLogConsole);
}

int CQTConfigMgr::logFile()
{
    return lockedRead(pref::iLogFile);
}

int CQTConfigMgr::comBaudrate()
{
    return lockedRead(pref::iComBaudrate);
}

int CQTConfigMgr::comByteSize()
{
    return lockedRead(pref::iComByteSize);
}

int CQTConfigMgr::comParity()
{
    return lockedRead(pref::iComParity);
}

int CQTConfigMgr::comStopBits()
{
    return lockedRead(pref::iComStopBits);
}

int CQTConfigMgr::comDtrControl()
{
    return lockedRead(pref::iComDtrControl);
}

int CQTConfigMgr::comRtsControl()
{
    return lockedRead(pref::iComRtsControl);
}

int CQTConfigMgr::comDsrFlow()
{
    return lockedRead(pref::iComDsrFlow);
}

int CQTConfigMgr::comCtsFlow()
{
    return lockedRead(pref::iComCtsFlow);
}

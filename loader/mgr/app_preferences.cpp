#include "app_preferences.h"

namespace pref {
QString strAppName;
QString strAppVersion;
QString strAppBuild;
int iLogConsole = 0;
int iLogFile = 0;
QString strTimestampFormat;
int iLangIndex = 0;
QString strSettingsPassword;
QString strSqlDriver;
QString strSqlAddress;
QString strSqlDb;
QString strSqlSavedString;
QString strSqlUser;
QString strSqlPassword;
QString strRegSite;
QString strRegUsername;
QString strRegUserId;
int iDeviceCom = 0;
int iProductFieldLength = 0;
int iSerialFieldLength = 0;
int iReserved20 = 0;
bool bEmulateDevice = false;
bool bDeviceReadOnly = false;
bool bEmulateDb = false;
bool bDumpDb = false;
QString strDebugMpn;
int iComBaudrate = 0;
int iComByteSize = 0;
int iComParity = 0;
int iComStopBits = 0;
int iComDtrControl = 0;
int iComRtsControl = 0;
int iComDsrFlow = 0;
int iComCtsFlow = 0;
} // namespace pref

// Index 20 once repeated the name of index 18, general.product_field_length, so a stored value
// of that name reached index 20's variable and never index 18's. It keeps its place (so the
// records after it keep their indexes) under a name of its own; nothing reads it.
CQTPreference g_preferences[kPreferenceCount] = {
    {&pref::strAppName, "QString", "Trevik Tool", QStringLiteral("general.app.name"), PREF_RUNTIME},
    {&pref::strAppVersion, "QString", "1.0.0.5", QStringLiteral("general.app.version"), PREF_RUNTIME},
    {&pref::strAppBuild, "QString", "1612211426", QStringLiteral("general.app.build"), PREF_RUNTIME},
    {&pref::iLogConsole, "int", "0", QStringLiteral("general.app.logconsole"), PREF_RUNTIME},
    {&pref::iLogFile, "int", "0", QStringLiteral("general.app.logfile"), PREF_RUNTIME},
    {&pref::strTimestampFormat, "QString", "yyyy-MM-dd hh:mm:ss.zzz", QStringLiteral("general.app.tstamp_format"), PREF_RUNTIME},
    {&pref::iLangIndex, "int", "0", QStringLiteral("general.app.lang_index"), PREF_STORED},
    {&pref::strSettingsPassword, "QString", "vortexq", QStringLiteral("general.settings_password"), PREF_RUNTIME},
    {&pref::strSqlDriver, "QString", "SQL Server Native Client 10.0", QStringLiteral("general.sql_driver"), PREF_STORED},
    {&pref::strSqlAddress, "QString", "localhost", QStringLiteral("general.sql_address"), PREF_STORED},
    {&pref::strSqlDb, "QString", "VOLTAN", QStringLiteral("general.sql_db"), PREF_STORED},
    {&pref::strSqlSavedString, "QString", "", QStringLiteral("general.sql_saved_string"), PREF_STORED},
    {&pref::strSqlUser, "QString", "QWKUser1", QStringLiteral("general.sql_user"), PREF_STORED},
    {&pref::strSqlPassword, "QString", "60719", QStringLiteral("general.sql_password"), PREF_STORED},
    {&pref::strRegSite, "QString", "", QStringLiteral("general.reg_site"), PREF_STORED},
    {&pref::strRegUsername, "QString", "", QStringLiteral("general.reg_username"), PREF_STORED},
    {&pref::strRegUserId, "QString", "", QStringLiteral("general.reg_userid"), PREF_STORED},
    {&pref::iDeviceCom, "int", "5", QStringLiteral("general.device_com"), PREF_STORED},
    {&pref::iProductFieldLength, "int", "11", QStringLiteral("general.product_field_length"), PREF_STORED},
    {&pref::iSerialFieldLength, "int", "8", QStringLiteral("general.serial_field_length"), PREF_STORED},
    {&pref::iReserved20, "int", "0", QStringLiteral("general.reserved_20"), PREF_STORED},
    {&pref::bEmulateDevice, "bool", "0", QStringLiteral("general.emulate_device"), PREF_RUNTIME},
    {&pref::bDeviceReadOnly, "bool", "0", QStringLiteral("general.device_readonly"), PREF_RUNTIME},
    {&pref::bEmulateDb, "bool", "0", QStringLiteral("general.emulate_db"), PREF_RUNTIME},
    {&pref::bDumpDb, "bool", "0", QStringLiteral("general.dump_db"), PREF_RUNTIME},
    {&pref::strDebugMpn, "QString", "", QStringLiteral("general.debug_mpn"), PREF_RUNTIME},
    {&pref::iComBaudrate, "int", "9600", QStringLiteral("general.comparam_baudrate"), PREF_STORED},
    {&pref::iComByteSize, "int", "8", QStringLiteral("general.comparam_bytesize"), PREF_STORED},
    {&pref::iComParity, "int", "0", QStringLiteral("general.comparam_parity"), PREF_STORED},
    {&pref::iComStopBits, "int", "0", QStringLiteral("general.comparam_stopbits"), PREF_STORED},
    {&pref::iComDtrControl, "int", "1", QStringLiteral("general.comparam_dtrcontrol"), PREF_STORED},
    {&pref::iComRtsControl, "int", "1", QStringLiteral("general.comparam_rtscontrol"), PREF_STORED},
    {&pref::iComDsrFlow, "int", "0", QStringLiteral("general.comparam_dsrflow"), PREF_STORED},
    {&pref::iComCtsFlow, "int", "0", QStringLiteral("general.comparam_ctsflow"), PREF_STORED},
};

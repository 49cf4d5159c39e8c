#pragma once
// The application's preference table and the variables behind it. Other code reads and
// changes preferences only through CQTConfigMgr's accessors; the variables are visible here for
// the manager and for tests.

#include <QString>

#include "cqt_preference.h"

constexpr int kPreferenceCount = 34;

extern CQTPreference g_preferences[kPreferenceCount];

namespace pref {
extern QString strAppName;            // general.app.name
extern QString strAppVersion;         // general.app.version
extern QString strAppBuild;           // general.app.build
extern int iLogConsole;               // general.app.logconsole
extern int iLogFile;                  // general.app.logfile
extern QString strTimestampFormat;    // general.app.tstamp_format
extern int iLangIndex;                // general.app.lang_index
extern QString strSettingsPassword;   // general.settings_password
extern QString strSqlDriver;          // general.sql_driver
extern QString strSqlAddress;         // general.sql_address
extern QString strSqlDb;              // general.sql_db
extern QString strSqlSavedString;     // general.sql_saved_string
extern QString strSqlUser;            // general.sql_user
extern QString strSqlPassword;        // general.sql_password
extern QString strRegSite;            // general.reg_site
extern QString strRegUsername;        // general.reg_username
extern QString strRegUserId;          // general.reg_userid
extern int iDeviceCom;                // general.device_com
extern int iProductFieldLength;       // general.product_field_length
extern int iSerialFieldLength;        // general.serial_field_length
extern int iReserved20;               // general.reserved_20 (see app_preferences.cpp)
extern bool bEmulateDevice;           // general.emulate_device
extern bool bDeviceReadOnly;          // general.device_readonly
extern bool bEmulateDb;               // general.emulate_db
extern bool bDumpDb;                  // general.dump_db
extern QString strDebugMpn;           // general.debug_mpn
extern int iComBaudrate;              // general.comparam_baudrate
extern int iComByteSize;              // general.comparam_bytesize
extern int iComParity;                // general.comparam_parity
extern int iComStopBits;              // general.comparam_stopbits
extern int iComDtrControl;            // general.comparam_dtrcontrol
extern int iComRtsControl;            // general.comparam_rtscontrol
extern int iComDsrFlow;               // general.comparam_dsrflow
extern int iComCtsFlow;               // general.comparam_ctsflow
} // namespace pref

#pragma once
// One record of an application's preference table.

#include <QString>

#include <cstdint>

// Storage modes.
enum CQTPreferenceStorage : int32_t {
    PREF_RUNTIME = 0,   // memory only: default, debug file and command line
    PREF_STORED = 1,    // also loaded from and saved to the settings file
    PREF_PROTECTED = 2, // like PREF_STORED; a text is kept in the machine-bound protected form
};

struct CQTPreference
{
    // The variable holding the value; its type is the one szType names: QString for "QString",
    // int for "int" and "enum", bool for "bool", float for "float". Not owned.
    void *pValue;
    // "QString", "int", "bool", "float" or "enum", compared exactly. Any other name makes the
    // record inert: no default, never loaded, overridden or saved.
    char szType[16];
    // The default as text ("9600", "Trevik Tool", "0").
    char szDefault[260];
    // The key in both INI files, e.g. "general.device_com".
    QString strName;
    int32_t iStorage;
};

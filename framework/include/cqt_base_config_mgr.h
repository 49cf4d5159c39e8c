#pragma once
// The preference manager: gives every preference of the application's table its default,
// lets the debug file beside the program and the command line override it, loads the stored
// preferences from the per-user settings file and writes one back whenever it changes.
//
// Precedence, lowest first: default, debug.ini, command line, and for stored preferences the
// settings file. A concrete manager answers preferenceCount(), preferenceAt() and identity(),
// and may override parseCommandLine() and settingsFilePath().

#include <QMap>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QVariant>

#include "cqt_preference.h"

class CQTAbstractSerializer;

// Taken by every preference accessor around one read or write; a setter holds it across the
// settings-file write. Recursive, so a getter may run inside a setter on the same thread.
extern QRecursiveMutex g_preferenceLock;

class CQTBaseConfigMgr : public QObject
{
    Q_OBJECT

public:
    CQTBaseConfigMgr();
    // Frees the indexes only: the serializer, if any, is left as it is (see cleanup).
    ~CQTBaseConfigMgr() override;

    // Start-up, once: identity to Qt, defaults, debug file, command line, machine code,
    // serializer, stored values. Answers 0, or -1 when the settings store cannot be read
    // (defaults, debug file and command line then stay in force).
    virtual int initialize();
    // Flushes and releases the serializer. Afterwards save writes nothing and load answers 0.
    virtual void cleanup();
    virtual CQTAbstractSerializer *serializer();
    // registerPreferences, applyDebugOverrides, parseCommandLine, in that order. Answers 0.
    virtual int applyStartupValues();
    virtual void registerPreferences();
    // Applies the stored values of the settings file's main_config section. Answers 0, or -1
    // when the serializer cannot read.
    virtual int load();
    virtual int afterLoad();
    // Empty for the per-user default location.
    virtual QString settingsFilePath();
    // Applies the debug file's keys that stand outside any section ([General] included) to
    // the records of those names, whatever their storage mode.
    virtual void applyDebugOverrides();
    virtual void parseCommandLine();
    virtual void visitStoredValues();
    // Stores the preference whose variable is at pValue (a no-op for runtime preferences,
    // unknown addresses and a manager without serializer). Flushes for any known stored record.
    virtual void save(void *pValue);
    virtual void setTextDefault(void *pValue, const char *szDefault);
    virtual void setIntegerDefault(void *pValue, const char *szDefault);
    virtual void setFloatDefault(void *pValue, const char *szDefault);
    virtual int preferenceCount() = 0;

    // The record at an index from 0 to preferenceCount() - 1.
    virtual CQTPreference &preferenceAt(int iIndex) = 0;

    // Index of the record that a name resolves to (the highest index of that name), or -1.
    int indexOfName(const QString &strName) const;
    QString storedMachineCode() const { return m_machineCode; }

    // Where applyDebugOverrides looks; by default debug.ini beside the program. Tests point it
    // elsewhere so that they never write beside the test binaries.
    void setDebugFilePath(const QString &strPath) { m_strDebugFilePathOverride = strPath; }
    QString debugFilePath() const;

protected:
    // The application's identity, handed to Qt by initialize.
    struct Identity
    {
        const char *szOrganizationName;
        const char *szOrganizationDomain;
        const char *szApplicationName;
        const char *szApplicationVersion;
    };
    virtual Identity identity() const = 0;

private:
    // Converts value into the record's variable; writes the mismatch warning when it cannot.
    void assignValue(const CQTPreference &record, const QVariant &value);

    QMap<QString, int> m_nameIndex;
    QMap<void *, int> m_valueIndex;
    QString m_machineCode;
    CQTAbstractSerializer *m_pSerializer;
    QString m_strDebugFilePathOverride;
};

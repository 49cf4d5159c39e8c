#include "cqt_base_config_mgr.h"

#include "cqt_log.h"
#include "machine_code.h"
#include "protected_text.h"
#include "runtime_type_name.h"
#include "ini_serializer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryFile>

#include <cstdlib>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

QRecursiveMutex g_preferenceLock;

namespace {

const char *const kSourceFile = "src\\cqtbaseconfigmgr";
const char *const kGroup = "main";
const char *const kSection = "config";

bool isType(const CQTPreference &record, const char *szType)
{
    return std::strncmp(record.szType, szType, sizeof(record.szType)) == 0;
}

// The run-time type names of the variables behind each type, for the mismatch warning.
QString variableTypeName(const CQTPreference &record)
{
    if (isType(record, "QString"))
        return typeNameOf<QString>();
    if (isType(record, "float"))
        return typeNameOf<float>();
    return typeNameOf<int>();
}

// The part of an INI text before its first section header: a line whose first character
// other than blanks and tabs is '['. Like Qt, a UTF-8 byte order mark is no text.
QByteArray textBeforeFirstSection(const QByteArray &text)
{
    bool bLineStart = true;
    for (int i = text.startsWith("\xEF\xBB\xBF") ? 3 : 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\n' || c == '\r')
            bLineStart = true;
        else if (bLineStart && c == '[')
            return text.left(i);
        else if (c != ' ' && c != '\t')
            bLineStart = false;
    }
    return text;
}

void warnMismatch(const CQTPreference &record, const QVariant &value)
{
    CQTSingleton<CQTLog>::instance()->writeWarning(
        kSourceFile, __LINE__, "",
        "Type mismatch for preference '%s'. Requested type is %s, actual type is %s. Using default value.",
        record.strName.toLocal8Bit().constData(), variableTypeName(record).toLocal8Bit().constData(),
        value.typeName() != nullptr ? value.typeName() : "");
}

} // namespace

CQTBaseConfigMgr::CQTBaseConfigMgr() : m_pSerializer(nullptr) {}

CQTBaseConfigMgr::~CQTBaseConfigMgr() = default;

int CQTBaseConfigMgr::initialize()
{
    const Identity id = identity();
    QCoreApplication::setOrganizationName(QString::fromUtf8(id.szOrganizationName));
    QCoreApplication::setOrganizationDomain(QString::fromUtf8(id.szOrganizationDomain));
    QCoreApplication::setApplicationName(QString::fromUtf8(id.szApplicationName));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(id.szApplicationVersion));

    applyStartupValues();
    machineCode(&m_machineCode);

    const QString strPath = settingsFilePath();
    m_pSerializer = strPath.isEmpty() ? new INISerializer : new INISerializer(strPath);

    const int iResult = load();
    afterLoad();
    m_pSerializer->flush();
    CQTSingleton<CQTLog>::instance()->writeInfo(kSourceFile, __LINE__, "", "Config Manager initialized...");
    return iResult;
}

void CQTBaseConfigMgr::cleanup()
{
    if (m_pSerializer != nullptr) {
        m_pSerializer->flush();
        delete m_pSerializer;
        m_pSerializer = nullptr;
    }
    CQTSingleton<CQTLog>::instance()->writeInfo(kSourceFile, __LINE__, "", "Config Manager cleaned up...");
}

CQTAbstractSerializer *CQTBaseConfigMgr::serializer()
{
    return m_pSerializer;
}

int CQTBaseConfigMgr::applyStartupValues()
{
    registerPreferences();
    applyDebugOverrides();
    parseCommandLine();
    return 0;
}

void CQTBaseConfigMgr::registerPreferences()
{
    for (int i = 0; i < preferenceCount(); ++i) {
        CQTPreference &record = preferenceAt(i);
        // A later record of the same name takes the name over; the earlier one still gets its
        // default and can still be saved.
        m_nameIndex.insert(record.strName, i);
        m_valueIndex.insert(record.pValue, i);
        if (isType(record, "QString"))
            setTextDefault(record.pValue, record.szDefault);
        else if (isType(record, "bool") || isType(record, "int") || isType(record, "enum"))
            setIntegerDefault(record.pValue, record.szDefault);
        else if (isType(record, "float"))
            setFloatDefault(record.pValue, record.szDefault);
    }
}

int CQTBaseConfigMgr::indexOfName(const QString &strName) const
{
    return m_nameIndex.value(strName, -1);
}

QString CQTBaseConfigMgr::debugFilePath() const
{
    if (!m_strDebugFilePathOverride.isEmpty())
        return m_strDebugFilePathOverride;
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("debug.ini");
}

void CQTBaseConfigMgr::assignValue(const CQTPreference &record, const QVariant &value)
{
    if (isType(record, "QString")) {
        if (!value.canConvert<QString>()) {
            warnMismatch(record, value);
            return;
        }
        *static_cast<QString *>(record.pValue) = value.toString();
    } else if (isType(record, "bool") || isType(record, "int")) {
        if (!value.canConvert<int>()) {
            warnMismatch(record, value);
            return;
        }
        // Qt's variant conversion: a text that is no number gives 0 ("true" included).
        const int iValue = value.toInt();
        if (isType(record, "bool"))
            *static_cast<bool *>(record.pValue) = iValue != 0;
        else
            *static_cast<int *>(record.pValue) = iValue;
    } else if (isType(record, "float")) {
        if (!value.canConvert<float>()) {
            warnMismatch(record, value);
            return;
        }
        *static_cast<float *>(record.pValue) = value.toFloat();
    }
}

void CQTBaseConfigMgr::applyDebugOverrides()
{
    // Only keys outside any section name preferences. Keys inside most sections read
    // "section/key" and match nothing, but Qt's INI reader files a [General] section's keys
    // at the top level; so when the file has sections, Qt reads a copy of the text before
    // the first one. A missing file simply has no keys.
    QString strPath = debugFilePath();
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray text = file.readAll();
    const QByteArray topLevel = textBeforeFirstSection(text);
    QTemporaryFile copy;
    if (topLevel.size() != text.size()) {
        if (!copy.open() || copy.write(topLevel) != topLevel.size())
            return;
        copy.close();
        strPath = copy.fileName();
    }
    const QSettings debugFile(strPath, QSettings::IniFormat);
    const QStringList keys = debugFile.allKeys();
    for (const QString &strKey : keys) {
        const int iIndex = m_nameIndex.value(strKey, -1);
        if (iIndex < 0)
            continue;
        const CQTPreference &record = preferenceAt(iIndex);
        if (isType(record, "enum"))
            continue;
        assignValue(record, debugFile.value(strKey));
    }
}

void CQTBaseConfigMgr::parseCommandLine() {}

int CQTBaseConfigMgr::load()
{
    if (m_pSerializer == nullptr)
        return 0;
    QStringList keys;
    QVariantList values;
    if (m_pSerializer->readAll(QString::fromLatin1(kGroup), QString::fromLatin1(kSection), keys, values) != 0)
        return -1;

    for (int i = 0; i < keys.size() && i < values.size(); ++i) {
        const int iIndex = m_nameIndex.value(keys.at(i), -1);
        if (iIndex < 0)
            continue;
        const CQTPreference &record = preferenceAt(iIndex);
        if (record.iStorage == PREF_RUNTIME || isType(record, "enum"))
            continue;
        const QVariant &value = values.at(i);
        if (isType(record, "QString") && record.iStorage == PREF_PROTECTED) {
            if (!value.canConvert<QString>()) {
                warnMismatch(record, value);
                continue;
            }
            // A value that fails its check (altered, or written on another machine) is
            // ignored without a word; the variable keeps what it had.
            QString strRestored;
            if (unprotectText(value.toString(), &strRestored))
                *static_cast<QString *>(record.pValue) = strRestored;
            continue;
        }
        assignValue(record, value);
    }
    return 0;
}

int CQTBaseConfigMgr::afterLoad()
{
    return 0;
}

QString CQTBaseConfigMgr::settingsFilePath()
{
    return QString();
}

void CQTBaseConfigMgr::visitStoredValues()
{
    for (int i = 0; i < preferenceCount(); ++i) {
        const CQTPreference &record = preferenceAt(i);
        if (record.iStorage == PREF_RUNTIME)
            continue;
        QVariant value;
        if (isType(record, "QString"))
            value = *static_cast<const QString *>(record.pValue);
        else if (isType(record, "bool"))
            value = *static_cast<const bool *>(record.pValue);
        else if (isType(record, "int") || isType(record, "enum"))
            value = *static_cast<const int *>(record.pValue);
        else if (isType(record, "float"))
            value = *static_cast<const float *>(record.pValue);
    }
}

void CQTBaseConfigMgr::save(void *pValue)
{
    const int iIndex = m_valueIndex.value(pValue, -1);
    if (iIndex < 0 || m_pSerializer == nullptr)
        return;
    const CQTPreference &record = preferenceAt(iIndex);
    if (record.iStorage == PREF_RUNTIME)
        return;

    QVariant value;
    if (isType(record, "QString")) {
        const QString &strText = *static_cast<const QString *>(record.pValue);
        value = record.iStorage == PREF_PROTECTED ? protectText(strText) : strText;
    } else if (isType(record, "bool")) {
        value = *static_cast<const bool *>(record.pValue) ? 1 : 0;
    } else if (isType(record, "int")) {
        value = *static_cast<const int *>(record.pValue);
    } else if (isType(record, "float")) {
        value = *static_cast<const float *>(record.pValue);
    }
    if (value.isValid())
        m_pSerializer->write(QString::fromLatin1(kGroup), QString::fromLatin1(kSection), record.strName, value);
    m_pSerializer->flush();
}

void CQTBaseConfigMgr::setTextDefault(void *pValue, const char *szDefault)
{
    if (pValue == nullptr)
        return;
    *static_cast<QString *>(pValue) = QString::fromUtf8(szDefault);
}

void CQTBaseConfigMgr::setIntegerDefault(void *pValue, const char *szDefault)
{
    if (pValue == nullptr)
        return;
    const int iValue = szDefault != nullptr ? std::atoi(szDefault) : 0;
    // The record's type decides how wide the variable is.
    const int iIndex = m_valueIndex.value(pValue, -1);
    if (iIndex >= 0 && isType(preferenceAt(iIndex), "bool"))
        *static_cast<bool *>(pValue) = iValue != 0;
    else
        *static_cast<int *>(pValue) = iValue;
}

void CQTBaseConfigMgr::setFloatDefault(void *pValue, const char *szDefault)
{
    if (pValue == nullptr)
        return;
    // Read in the C locale: the defaults are written by the program, not by the user, and
    // Qt switches the C library to the user's locale, where "1.5" would stop at the dot.
    std::istringstream stream{std::string(szDefault != nullptr ? szDefault : "")};
    stream.imbue(std::locale::classic());
    double dValue = 0.0;
    if (!(stream >> dValue))
        dValue = 0.0;
    *static_cast<float *>(pValue) = static_cast<float>(dValue);
}

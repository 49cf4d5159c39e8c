#include "ini_serializer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include <new>

namespace {

QString sectionName(const QString &strGroup, const QString &strSection)
{
    return QStringLiteral("%1_%2").arg(strGroup, strSection);
}

QString sectionPrefix(const QString &strGroup, const QString &strSection)
{
    return QStringLiteral("%1_%2/").arg(strGroup, strSection);
}

QString entryKey(const QString &strGroup, const QString &strSection, const QString &strKey)
{
    return QStringLiteral("%1_%2/%3").arg(strGroup, strSection, strKey);
}

} // namespace

INISerializer::INISerializer()
    : m_pSettings(new (std::nothrow) QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                                               QCoreApplication::applicationName()))
{
    makeOpeningBackup();
}

INISerializer::INISerializer(const QString &strPath) : m_pSettings(new (std::nothrow) QSettings(strPath, QSettings::IniFormat))
{
    makeOpeningBackup();
}

INISerializer::INISerializer(AdoptTag, QSettings *pSettings) : m_pSettings(pSettings)
{
    makeOpeningBackup();
}

INISerializer::~INISerializer()
{
    flush();
    if (m_pSettings != nullptr)
        QFile::remove(backupFilePath());
    delete m_pSettings;
}

QString INISerializer::settingsFilePath() const
{
    return m_pSettings != nullptr ? m_pSettings->fileName() : QString();
}

QString INISerializer::backupFilePath() const
{
    return m_pSettings != nullptr ? m_pSettings->fileName() + QStringLiteral(".bak") : QString();
}

void INISerializer::makeOpeningBackup()
{
    if (m_pSettings == nullptr)
        return;
    const QString strFile = settingsFilePath();
    // QFile::copy never overwrites, so a backup left by an earlier run is kept as it is.
    if (QFile::exists(strFile))
        QFile::copy(strFile, backupFilePath());
}

int INISerializer::readAll(QString strGroup, QString strSection, QStringList &keys, QVariantList &values)
{
    if (m_pSettings == nullptr)
        return -1;
    const QString strPrefix = sectionPrefix(strGroup, strSection);
    const QStringList allKeys = m_pSettings->allKeys();
    for (const QString &strKey : allKeys) {
        if (!strKey.startsWith(strPrefix, Qt::CaseSensitive))
            continue;
        keys.append(strKey.mid(strPrefix.size()));
        values.append(m_pSettings->value(strKey));
    }
    return 0;
}

int INISerializer::reserved(int &, int &)
{
    return 0;
}

int INISerializer::write(QString strGroup, QString strSection, QString strKey, QVariant value)
{
    if (m_pSettings == nullptr)
        return -1;
    m_pSettings->setValue(entryKey(strGroup, strSection, strKey), value);
    return 0;
}

QVariant INISerializer::read(QString strGroup, QString strSection, QString strKey)
{
    if (m_pSettings == nullptr)
        return QVariant();
    return m_pSettings->value(entryKey(strGroup, strSection, strKey));
}

bool INISerializer::hasSection(const CQTSerializerClient *pClient)
{
    if (pClient == nullptr || m_pSettings == nullptr)
        return false;
    return m_pSettings->childGroups().contains(sectionName(pClient->serializerGroup(), pClient->serializerSection()));
}

void INISerializer::removeEntries(const CQTSerializerClient *pClient, const QStringList &keys)
{
    if (pClient == nullptr || keys.isEmpty() || m_pSettings == nullptr)
        return;
    for (const QString &strKey : keys)
        m_pSettings->remove(entryKey(pClient->serializerGroup(), pClient->serializerSection(), strKey));
}

void INISerializer::flush()
{
    if (m_pSettings == nullptr)
        return;
    m_pSettings->sync();
    const QString strFile = settingsFilePath();
    if (QFile::exists(strFile)) {
        const QString strBackup = backupFilePath();
        QFile::remove(strBackup);
        QFile::copy(strFile, strBackup);
    }
}

#pragma once
// The serializer on an INI file (QSettings), with a backup copy "<settings file>.bak" beside it.
//
// Backup rules: at construction a backup is made only when none exists (a backup left behind
// shows that the previous run did not end in order, and keeps that run's last state); after
// every flush the backup is a fresh copy of the file just written; destroying the serializer
// removes it.

#include "cqt_abstract_serializer.h"

class QSettings;

class INISerializer : public CQTAbstractSerializer
{
public:
    // The per-user INI file of the application's organisation and application names.
    INISerializer();
    // The INI file at strPath.
    explicit INISerializer(const QString &strPath);
    ~INISerializer() override;

    INISerializer(const INISerializer &) = delete;
    INISerializer &operator=(const INISerializer &) = delete;

    int readAll(QString strGroup, QString strSection, QStringList &keys, QVariantList &values) override;
    int reserved(int &first, int &second) override;
    int write(QString strGroup, QString strSection, QString strKey, QVariant value) override;
    QVariant read(QString strGroup, QString strSection, QString strKey) override;
    bool hasSection(const CQTSerializerClient *pClient) override;
    // Removes the listed keys of the client's section (other entries of the section stay).
    void removeEntries(const CQTSerializerClient *pClient, const QStringList &keys) override;
    void flush() override;

    // The settings file's path, empty without a store.
    QString settingsFilePath() const;
    // The backup's path, empty without a store.
    QString backupFilePath() const;

protected:
    // Adopts pSettings (may be null: a store whose creation failed).
    struct AdoptTag {};
    INISerializer(AdoptTag, QSettings *pSettings);

private:
    void makeOpeningBackup();

    QSettings *m_pSettings;
};

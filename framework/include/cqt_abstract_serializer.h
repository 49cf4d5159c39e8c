#pragma once
// Persistent storage of single values addressed by group, section and key, and of whole
// sections. Every operation has a harmless default, so a storage can implement what it needs.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

// Something that owns a section of the store: it names its group and section words.
class CQTSerializerClient
{
public:
    virtual ~CQTSerializerClient() = default;
    virtual QString serializerGroup() const = 0;
    virtual QString serializerSection() const = 0;
};

class CQTAbstractSerializer
{
public:
    virtual ~CQTAbstractSerializer();

    // Appends every key of section group_section (without the prefix) to keys and its value to
    // values, keeping the two lists parallel. Answers 0, or -1 when the store cannot be read.
    virtual int readAll(QString strGroup, QString strSection, QStringList &keys, QVariantList &values);
    // Reserved; answers 0.
    virtual int reserved(int &first, int &second);
    // Stores a value under group_section/key; it reaches the disk at the next flush.
    // Answers 0, or -1 when there is no store.
    virtual int write(QString strGroup, QString strSection, QString strKey, QVariant value);
    // The value under group_section/key; an invalid variant when there is none.
    virtual QVariant read(QString strGroup, QString strSection, QString strKey);
    // True when the store has the client's section; false for a null client.
    virtual bool hasSection(const CQTSerializerClient *pClient);
    // Removes entries of the client's section; nothing for a null client or an empty list.
    virtual void removeEntries(const CQTSerializerClient *pClient, const QStringList &keys);
    // Writes pending changes to the disk.
    virtual void flush();
};

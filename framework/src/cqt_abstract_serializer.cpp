#include "cqt_abstract_serializer.h"

CQTAbstractSerializer::~CQTAbstractSerializer() = default;

int CQTAbstractSerializer::readAll(QString, QString, QStringList &, QVariantList &)
{
    return 0;
}

int CQTAbstractSerializer::reserved(int &, int &)
{
    return 0;
}

int CQTAbstractSerializer::write(QString, QString, QString, QVariant)
{
    return -1;
}

QVariant CQTAbstractSerializer::read(QString, QString, QString)
{
    return QVariant();
}

bool CQTAbstractSerializer::hasSection(const CQTSerializerClient *)
{
    return false;
}

void CQTAbstractSerializer::removeEntries(const CQTSerializerClient *, const QStringList &) {}

void CQTAbstractSerializer::flush() {}

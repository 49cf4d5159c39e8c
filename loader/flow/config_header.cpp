#include "config_header.h"

#include <QIODevice>
#include <QStringList>

void applyConfigHeaderLine(const QString& strLine, ConfigHeader& header)
{
    QString* pTarget = nullptr;
    if (strLine.startsWith(QLatin1String("Name")))
        pTarget = &header.strName;
    else if (strLine.startsWith(QLatin1String("Description")))
        pTarget = &header.strDescription;
    else if (strLine.startsWith(QLatin1String("Date and")))
        pTarget = &header.strDate;
    if (!pTarget)
        return;

    // Empty parts are kept so that "Description=" yields an empty value rather than nothing.
    const QStringList parts = strLine.split(QLatin1Char('='), Qt::KeepEmptyParts);
    if (parts.size() < 2)
        return;
    QString strValue = parts.at(1);
    strValue.remove(QLatin1Char('"'));
    *pTarget = strValue;
}

ConfigHeader readConfigHeaderLines(QIODevice& device)
{
    ConfigHeader header;
    while (!device.atEnd()) {
        QByteArray line = device.readLine();
        // Only a line ending goes: LF, or CR LF. A CR without its LF is text.
        if (line.endsWith("\r\n"))
            line.chop(2);
        else if (line.endsWith('\n'))
            line.chop(1);
        applyConfigHeaderLine(QString::fromLocal8Bit(line), header);
    }
    return header;
}

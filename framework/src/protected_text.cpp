#include "protected_text.h"

#include "arc4.h"
#include "machine_code.h"

#include <QCryptographicHash>

namespace {

const int kDigestSize = 16;

QByteArray machineKey(bool *pOk)
{
    QString strCode;
    *pOk = machineCode(&strCode) && !strCode.isEmpty();
    return strCode.toLatin1();
}

} // namespace

QByteArray md5Of(const QString &strText)
{
    return QCryptographicHash::hash(strText.toUtf8(), QCryptographicHash::Md5);
}

QString protectText(const QString &strPlain)
{
    bool bHaveKey = false;
    const QByteArray key = machineKey(&bHaveKey);
    if (!bHaveKey)
        return QString::fromLatin1(strPlain.toLatin1());

    QByteArray plain = strPlain.toUtf8();
    const QByteArray digest = md5Of(strPlain);
    // The terminating zero travels encrypted too, so the reader knows where the text ends.
    plain.append('\0');
    return QString::fromLatin1((digest + arc4Crypt(key, plain)).toBase64());
}

bool unprotectText(const QString &strStored, QString *pOut)
{
    bool bHaveKey = false;
    const QByteArray key = machineKey(&bHaveKey);
    if (!bHaveKey || pOut == nullptr)
        return false;

    const QByteArray raw = QByteArray::fromBase64(strStored.toUtf8());
    if (raw.size() <= kDigestSize)
        return false;

    const QByteArray clear = arc4Crypt(key, raw.mid(kDigestSize));
    const int iEnd = clear.indexOf('\0');
    const QString strText = QString::fromUtf8(iEnd < 0 ? clear : clear.left(iEnd));
    if (md5Of(strText) != raw.left(kDigestSize))
        return false;
    *pOut = strText;
    return true;
}

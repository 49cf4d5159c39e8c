// The machine code: built from the platform's identity readers once per process.
#include "machine_code.h"
#include "crc8.h"
#include "machine_identity.h"

#include <QCryptographicHash>

namespace {

const int kHashSize = 20;
const int kCodeSize = 25;

bool g_bCached = false;
QString g_strCached;
bool g_bUseTestSource = false;
MachineIdentitySource g_testSource;

QByteArray utf16LittleEndian(const QString &strText)
{
    QByteArray bytes;
    bytes.reserve(strText.size() * 2);
    for (const QChar ch : strText) {
        bytes.append(static_cast<char>(ch.unicode() & 0xFF));
        bytes.append(static_cast<char>(ch.unicode() >> 8));
    }
    return bytes;
}

} // namespace

QByteArray buildMachineCodeBytes(const QString &strIdentifier, uint32_t uSerial)
{
    QByteArray code(kCodeSize, '\0');
    if (!strIdentifier.isEmpty()) {
        const QByteArray hash = QCryptographicHash::hash(utf16LittleEndian(strIdentifier), QCryptographicHash::Sha1);
        code.replace(0, kHashSize, hash);
    }
    for (int i = 0; i < 4; ++i)
        code[kHashSize + i] = static_cast<char>((uSerial >> (24 - 8 * i)) & 0xFF);
    if (!strIdentifier.isEmpty() || uSerial != 0)
        code[kCodeSize - 1] = static_cast<char>(crc8Itu(reinterpret_cast<const uint8_t *>(code.constData()), kCodeSize - 1));
    return code;
}

QString machineCodeText(const QByteArray &code)
{
    return QString::fromLatin1(code.toHex().toUpper());
}

void setMachineIdentitySourceForTesting(const MachineIdentitySource *pSource)
{
    g_bUseTestSource = pSource != nullptr;
    if (pSource != nullptr)
        g_testSource = *pSource;
    g_bCached = false;
    g_strCached.clear();
}

bool machineCode(QString *pOut)
{
    if (pOut == nullptr)
        return false;
    if (!g_bCached) {
        const MachineIdentitySource source = g_bUseTestSource ? g_testSource : platformMachineIdentity();
        const QString strName = source.computerName();
        const QString strIdentifier = source.machineIdentifier(strName);
        g_strCached = machineCodeText(buildMachineCodeBytes(strIdentifier, source.systemVolumeSerial()));
        g_bCached = true;
    }
    *pOut = g_strCached;
    return true;
}

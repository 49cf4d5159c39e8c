// Machine code, protected texts and run-time type names.
#include "cqt_log.h"
#include "cqt_support.h"
#include "machine_code.h"
#include "protected_text.h"
#include "runtime_type_name.h"
#include "crc8.h"
#include "machine_identity.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

int g_iNameReads = 0;
int g_iIdentifierReads = 0;
int g_iSerialReads = 0;
QString g_strIdentifier;
uint32_t g_uSerial = 0;

QString fakeName()
{
    ++g_iNameReads;
    return QStringLiteral("TESTBOX");
}
QString fakeIdentifier(const QString &)
{
    ++g_iIdentifierReads;
    return g_strIdentifier;
}
uint32_t fakeSerial()
{
    ++g_iSerialReads;
    return g_uSerial;
}

// Each test states the machine it runs on; the cache is dropped on the way in and out.
class FakeMachine : public ::testing::Test
{
protected:
    void useMachine(const QString &strIdentifier, uint32_t uSerial)
    {
        g_strIdentifier = strIdentifier;
        g_uSerial = uSerial;
        g_iNameReads = g_iIdentifierReads = g_iSerialReads = 0;
        const MachineIdentitySource source{&fakeName, &fakeIdentifier, &fakeSerial};
        setMachineIdentitySourceForTesting(&source);
    }
    void TearDown() override { setMachineIdentitySourceForTesting(nullptr); }

    static QString currentCode()
    {
        QString strCode;
        machineCode(&strCode);
        return strCode;
    }
};

TEST_F(FakeMachine, CodeLaysOutHashSerialAndCheckByte)
{
    const QString strSid = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330");
    useMachine(strSid, 0x1A2B3C4D);
    const QString strCode = currentCode();

    ASSERT_EQ(strCode.size(), 50);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{50}$")).match(strCode).hasMatch()) << qPrintable(strCode);

    // UTF-16LE bytes of the identifier, hashed with SHA-1, then the serial big-endian.
    QByteArray utf16;
    for (QChar ch : strSid)
        utf16 += QByteArray(1, static_cast<char>(ch.unicode() & 0xFF)) + QByteArray(1, static_cast<char>(ch.unicode() >> 8));
    const QByteArray bytes = QByteArray::fromHex(strCode.toLatin1());
    EXPECT_EQ(bytes.left(20), QCryptographicHash::hash(utf16, QCryptographicHash::Sha1));
    EXPECT_EQ(bytes.mid(20, 4).toHex(), QByteArray("1a2b3c4d"));
    EXPECT_EQ(static_cast<uint8_t>(bytes[24]), crc8Itu(reinterpret_cast<const uint8_t *>(bytes.constData()), 24));
}

TEST_F(FakeMachine, OnlyOneInputReadableStillGetsACheckByte)
{
    useMachine(QString(), 0x00000001);
    const QByteArray onlySerial = QByteArray::fromHex(currentCode().toLatin1());
    EXPECT_EQ(onlySerial.left(20), QByteArray(20, '\0'));
    EXPECT_EQ(static_cast<uint8_t>(onlySerial[24]), crc8Itu(reinterpret_cast<const uint8_t *>(onlySerial.constData()), 24));
    EXPECT_NE(onlySerial[24], '\0');

    useMachine(QStringLiteral("id"), 0);
    const QByteArray onlyId = QByteArray::fromHex(currentCode().toLatin1());
    EXPECT_EQ(onlyId.mid(20, 4), QByteArray(4, '\0'));
    EXPECT_EQ(static_cast<uint8_t>(onlyId[24]), crc8Itu(reinterpret_cast<const uint8_t *>(onlyId.constData()), 24));
}

TEST_F(FakeMachine, NothingReadableGivesFiftyZeros)
{
    useMachine(QString(), 0);
    EXPECT_EQ(currentCode(), QString(50, QLatin1Char('0')));
}

TEST_F(FakeMachine, CodeIsComputedOnceAndCopiedAfterwards)
{
    useMachine(QStringLiteral("first"), 7);
    const QString strFirst = currentCode();
    g_strIdentifier = QStringLiteral("changed later");
    g_uSerial = 8;
    EXPECT_EQ(currentCode(), strFirst);
    EXPECT_EQ(currentCode(), strFirst);
    EXPECT_EQ(g_iNameReads, 1);
    EXPECT_EQ(g_iIdentifierReads, 1);
    EXPECT_EQ(g_iSerialReads, 1);
}

TEST_F(FakeMachine, NullOutputIsRefused)
{
    useMachine(QStringLiteral("x"), 1);
    EXPECT_FALSE(machineCode(nullptr));
    EXPECT_EQ(g_iIdentifierReads, 0);
}

TEST(MachineCode, ThisMachineGivesFiftyHexDigits)
{
    setMachineIdentitySourceForTesting(nullptr);
    QString strCode;
    ASSERT_TRUE(machineCode(&strCode));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{50}$")).match(strCode).hasMatch()) << qPrintable(strCode);
}

class ProtectedText : public FakeMachine
{
protected:
    void SetUp() override { useMachine(QStringLiteral("S-1-5-21-42"), 0xCAFEF00D); }
};

TEST_F(ProtectedText, RoundTripsTextsOfEveryKind)
{
    const QString texts[] = {QStringLiteral("vortexq"), QStringLiteral("a,b;c=d \"quoted\""), QString::fromUtf8("Grüße, Ωmega ✓"),
                             QString(300, QLatin1Char('z'))};
    for (const QString &strPlain : texts) {
        const QString strStored = protectText(strPlain);
        EXPECT_NE(strStored, strPlain);
        // 16 digest bytes, the UTF-8 bytes and their terminator.
        EXPECT_EQ(QByteArray::fromBase64(strStored.toLatin1()).size(), 17 + strPlain.toUtf8().size());
        QString strBack = QStringLiteral("untouched");
        EXPECT_TRUE(unprotectText(strStored, &strBack)) << qPrintable(strPlain);
        EXPECT_EQ(strBack, strPlain);
    }
}

TEST_F(ProtectedText, EmptyTextIsTwentyFourBase64Characters)
{
    const QString strStored = protectText(QString());
    EXPECT_EQ(strStored.size(), 24);
    EXPECT_EQ(QByteArray::fromBase64(strStored.toLatin1()).size(), 17);
    QString strBack = QStringLiteral("not empty");
    EXPECT_TRUE(unprotectText(strStored, &strBack));
    EXPECT_TRUE(strBack.isEmpty());
}

TEST_F(ProtectedText, DamagedOrForeignFormsAreRefusedAndLeaveTheOutputAlone)
{
    const QString strStored = protectText(QStringLiteral("secret"));
    QByteArray raw = QByteArray::fromBase64(strStored.toLatin1());

    QByteArray firstByteChanged = raw;
    firstByteChanged[0] = static_cast<char>(firstByteChanged[0] ^ 0x01);
    QByteArray lastByteChanged = raw;
    lastByteChanged[raw.size() - 2] = static_cast<char>(lastByteChanged[raw.size() - 2] ^ 0x20);

    const QString rejected[] = {
        QString::fromLatin1(QByteArray(16, 'A').toBase64()), // digest only, nothing encrypted
        QString::fromLatin1(raw.left(16).toBase64()),
        QString::fromLatin1(firstByteChanged.toBase64()),
        QString::fromLatin1(lastByteChanged.toBase64()),
        QString(),
        QStringLiteral("plain text that was never protected"),
    };
    for (const QString &strBad : rejected) {
        QString strOut = QStringLiteral("keep me");
        EXPECT_FALSE(unprotectText(strBad, &strOut)) << qPrintable(strBad);
        EXPECT_EQ(strOut, QStringLiteral("keep me"));
    }
}

TEST_F(ProtectedText, FormMadeOnAnotherMachineIsRefused)
{
    const QString strStored = protectText(QStringLiteral("secret"));
    useMachine(QStringLiteral("S-1-5-21-43"), 0xCAFEF00D);
    QString strOut;
    EXPECT_FALSE(unprotectText(strStored, &strOut));
    useMachine(QStringLiteral("S-1-5-21-42"), 0xCAFEF00D);
    EXPECT_TRUE(unprotectText(strStored, &strOut));
    EXPECT_EQ(strOut, QStringLiteral("secret"));
}

struct Record {};

TEST(TypeNameOf, ReadsLikeTheWindowsRunTime)
{
    EXPECT_EQ(typeNameOf<QString>(), QStringLiteral("class QString"));
    EXPECT_EQ(typeNameOf<int>(), QStringLiteral("int"));
    EXPECT_EQ(typeNameOf<float>(), QStringLiteral("float"));
    EXPECT_EQ(typeNameOf<CQTLog>(), QStringLiteral("class CQTLog"));
    EXPECT_EQ(typeNameOf<bool>(), QStringLiteral("bool"));
    EXPECT_TRUE(typeNameOf<Record>().startsWith(QStringLiteral("class ")));
    EXPECT_TRUE(typeNameOf<Record>().endsWith(QStringLiteral("Record")));
}

} // namespace

// The support utilities: ARC4, CRC-8 and MD5 against published vectors, the machine code, the
// protected form of texts (this machine's identity readers: platform_identity_test_*.cpp).
#include "arc4.h"
#include "cqt_log.h"
#include "crc8.h"
#include "machine_code.h"
#include "machine_identity.h"
#include "protected_text.h"
#include "test_environment.h"

#include <gtest/gtest.h>

namespace {

TEST(Crypto, PublishedVectors)
{
    // ARC4: the "Key", "Wiki" and "Secret" vectors, and RFC 6229's first keystream bytes for a
    // 40-bit and a 128-bit key. CRC-8/I-432-1: the catalogue check value, the ATM idle cell's
    // header check, the coset alone. MD5 (RFC 1321) of the UTF-8 bytes.
    const char *const arc4[][3] = {{"4b6579", "506c61696e74657874", "bbf316e8d940af0ad3"}, {"57696b69", "7065646961", "1021bf0420"},
                                   {"536563726574", "41747461636b206174206461776e", "45a01f645fc35b383552544b9bf5"},
                                   {"0102030405", "00000000000000000000000000000000", "b2396305f03dc027ccc3524a0a1118a8"},
                                   {"0102030405060708090a0b0c0d0e0f10", "00000000000000000000000000000000", "9ac7cc9a609d1ef7b2932899cde41b97"}};
    for (const auto &v : arc4) {
        EXPECT_EQ(arc4Crypt(QByteArray::fromHex(v[0]), QByteArray::fromHex(v[1])).toHex(), v[2]);
        EXPECT_EQ(arc4Crypt(QByteArray::fromHex(v[0]), QByteArray::fromHex(v[2])).toHex(), v[1]);
    }
    for (const auto &v : {std::make_pair("313233343536373839", 0xA1), {"00000001", 0x52}, {"00000000", 0x55}, {"", 0x55}}) {
        const QByteArray data = QByteArray::fromHex(v.first);
        EXPECT_EQ(crc8Itu(reinterpret_cast<const uint8_t *>(data.constData()), static_cast<size_t>(data.size())), v.second) << v.first;
    }
    EXPECT_EQ(md5Of(QString()).toHex(), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Of("abc"_q).toHex(), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Of("\u00e9"_q).toHex(), "66ddcd97cfdeabb2f6fb8a999b4bc76f"); // c3 a9
}

QString currentCode()
{
    QString strCode;
    return machineCode(&strCode) ? strCode : "refused"_q;
}

struct Support : ::testing::Test
{
    void TearDown() override { testenv::useMachine(nullptr); }
};

TEST_F(Support, MachineCodeOfEveryKindOfMachine)
{
    // Worked out by hand: SHA-1 of the identifier's UTF-16LE bytes (zeros when empty), the serial
    // most significant byte first, the CRC-8 of the 24 bytes before (0 when neither was read).
    const std::pair<const char *, uint32_t> machines[] = {{"S-1-5-21-1004336348-1177238915-682003330", 0x1A2B3C4D}, {"", 1}, {"id", 0}, {"", 0}};
    const char *const codes[] = {"1BA3337616BACDF0EEF7824F43854BFFD2E4083F1A2B3C4DAA", "00000000000000000000000000000000000000000000000152",
                                 "996E5360F80E16B2189CC1E536C91CE68083F69400000000CD", "00000000000000000000000000000000000000000000000000"};
    for (int i = 0; i < 4; ++i) {
        testenv::useMachine(machines[i].first, machines[i].second);
        EXPECT_EQ(currentCode(), QLatin1String(codes[i])) << i;
    }
    testenv::useMachine("first", 7);
    EXPECT_FALSE(machineCode(nullptr));
    EXPECT_EQ(currentCode(), currentCode());
    EXPECT_EQ(testenv::machineReads(), 1) << "computed once, then served from the cache";
}

TEST_F(Support, ProtectedTextsAreBoundToTheMachine)
{
    // Worked out by hand: Base64 of MD5(text) and ARC4(text + NUL) keyed with the machine code
    // 86FA9EBBDADBEA4F4DDA1B16F94FCEC989B93E4ECAFEF00D5F.
    testenv::useMachine("S-1-5-21-42", 0xCAFEF00D);
    const char *const known[][2] = {{"vortexq", "o1CyQpErEmuSD6SsvpgsLaR8U2gXA6TL"}, {"", "1B2M2Y8AsgTpgAmY7PhCftI="},
                                    {"Grüße, Ωmega ✓", "z65JwdwunvQj+SrleZ0vlpVh4qCx5LDn4yZoQa9I+2j/PCPp"}};
    for (const auto &k : known) {
        EXPECT_EQ(protectText(QString::fromUtf8(k[0])), QLatin1String(k[1]));
        QString strBack = "untouched"_q;
        EXPECT_TRUE(unprotectText(QLatin1String(k[1]), &strBack));
        EXPECT_EQ(strBack, QString::fromUtf8(k[0]));
    }
    EXPECT_FALSE(unprotectText(QLatin1String(known[0][1]), nullptr));
    QByteArray firstByte = QByteArray::fromBase64(known[0][1]), lastByte = firstByte;
    firstByte[0] = static_cast<char>(firstByte[0] ^ 1);
    lastByte[lastByte.size() - 2] = static_cast<char>(lastByte[lastByte.size() - 2] ^ 0x20);
    // Refused: the empty text's 16 digest bytes alone, a changed first or late byte, no text,
    // a text never protected; and a good form on another machine.
    for (const QString &strBad : {"1B2M2Y8AsgTpgAmY7PhCfg=="_q, QString::fromLatin1(firstByte.toBase64()), QString::fromLatin1(lastByte.toBase64()),
                                  QString(), "plain text that was never protected"_q}) {
        QString strOut = "keep me"_q;
        EXPECT_FALSE(unprotectText(strBad, &strOut)) << strBad.toStdString();
        EXPECT_EQ(strOut, "keep me"_q);
    }
    testenv::useMachine("S-1-5-21-43", 0xCAFEF00D);
    QString strOut;
    EXPECT_FALSE(unprotectText(QLatin1String(known[0][1]), &strOut));
}

} // namespace

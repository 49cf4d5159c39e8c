// ARC4 and CRC-8 against published test vectors; MD5 of the UTF-8 bytes.
#include "arc4.h"
#include "crc8.h"
#include "protected_text.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Arc4Vector
{
    const char *szKeyHex;
    const char *szPlainHex;
    const char *szCipherHex;
};

class Arc4Test : public ::testing::TestWithParam<Arc4Vector> {};

TEST_P(Arc4Test, EncryptsToThePublishedCipherText)
{
    const Arc4Vector &v = GetParam();
    const QByteArray key = QByteArray::fromHex(v.szKeyHex);
    const QByteArray plain = QByteArray::fromHex(v.szPlainHex);
    const QByteArray cipher = arc4Crypt(key, plain);
    EXPECT_EQ(cipher.toHex(), QByteArray(v.szCipherHex));
    // The same operation undoes itself.
    EXPECT_EQ(arc4Crypt(key, cipher), plain);
}

// "Key"/"Plaintext", "Wiki"/"pedia", "Secret"/"Attack at dawn" are the classic vectors; the
// last two are the first keystream bytes of RFC 6229 for 40-bit and 128-bit keys.
INSTANTIATE_TEST_SUITE_P(
    PublishedVectors, Arc4Test,
    ::testing::Values(Arc4Vector{"4b6579", "506c61696e74657874", "bbf316e8d940af0ad3"},
                      Arc4Vector{"57696b69", "7065646961", "1021bf0420"},
                      Arc4Vector{"536563726574", "41747461636b206174206461776e", "45a01f645fc35b383552544b9bf5"},
                      Arc4Vector{"0102030405", "00000000000000000000000000000000", "b2396305f03dc027ccc3524a0a1118a8"},
                      Arc4Vector{"0102030405060708090a0b0c0d0e0f10", "00000000000000000000000000000000",
                                 "9ac7cc9a609d1ef7b2932899cde41b97"}),
    [](const ::testing::TestParamInfo<Arc4Vector> &info) { return "vector" + std::to_string(info.index); });

TEST(Arc4, KeyLongerThanTheStateIsUsedCyclicallyUpTo256Bytes)
{
    // A key of 256 bytes and the same key with extra bytes behind it differ only beyond the
    // 256 that the schedule reads.
    QByteArray key(256, '\0');
    for (int i = 0; i < key.size(); ++i)
        key[i] = static_cast<char>(i * 7 + 3);
    const QByteArray data(64, 'x');
    EXPECT_EQ(arc4Crypt(key, data), arc4Crypt(key + "tail", data));
    EXPECT_NE(arc4Crypt(key, data), arc4Crypt(key.left(255), data));
}

struct Crc8Vector
{
    const char *szDataHex;
    uint8_t expected;
};

class Crc8Test : public ::testing::TestWithParam<Crc8Vector> {};

TEST_P(Crc8Test, MatchesTheHeaderErrorControl)
{
    const QByteArray data = QByteArray::fromHex(GetParam().szDataHex);
    EXPECT_EQ(crc8Itu(reinterpret_cast<const uint8_t *>(data.constData()), static_cast<size_t>(data.size())),
              GetParam().expected);
}

// "123456789" is the catalogue check value of CRC-8/I-432-1; the ATM idle cell header
// 00 00 00 01 carries HEC 0x52, and the empty input leaves the coset alone.
INSTANTIATE_TEST_SUITE_P(PublishedVectors, Crc8Test,
                         ::testing::Values(Crc8Vector{"313233343536373839", 0xA1}, Crc8Vector{"00000001", 0x52},
                                           Crc8Vector{"00000000", 0x55}, Crc8Vector{"", 0x55}),
                         [](const ::testing::TestParamInfo<Crc8Vector> &info) { return "vector" + std::to_string(info.index); });

TEST(Md5Of, DigestsTheUtf8Bytes)
{
    EXPECT_EQ(md5Of(QString()).toHex(), QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(md5Of(QStringLiteral("abc")).toHex(), QByteArray("900150983cd24fb0d6963f7d28e17f72"));
    // U+00E9 is two UTF-8 bytes, c3 a9: the digest is that of those bytes, not of Latin-1 e9.
    EXPECT_EQ(md5Of(QString(QChar(0xE9))), QCryptographicHash::hash(QByteArray("\xc3\xa9"), QCryptographicHash::Md5));
}

} // namespace

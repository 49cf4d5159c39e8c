#include "arc4.h"

#include <utility>

QByteArray arc4Crypt(const QByteArray &key, const QByteArray &data)
{
    if (key.isEmpty())
        return data;

    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);

    const int iKeySize = key.size();
    unsigned char j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<unsigned char>(j + s[i] + static_cast<unsigned char>(key[i % iKeySize]));
        std::swap(s[i], s[j]);
    }

    QByteArray out(data);
    unsigned char a = 0;
    unsigned char b = 0;
    for (int n = 0; n < out.size(); ++n) {
        a = static_cast<unsigned char>(a + 1);
        b = static_cast<unsigned char>(b + s[a]);
        std::swap(s[a], s[b]);
        const unsigned char k = s[static_cast<unsigned char>(s[a] + s[b])];
        out[n] = static_cast<char>(static_cast<unsigned char>(out[n]) ^ k);
    }
    return out;
}

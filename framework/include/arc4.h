#pragma once
// ARC4 (RC4) stream cipher. Encryption and decryption are the same operation.

#include <QByteArray>

// Runs data through the keystream of key, from the keystream's first byte. The key schedule
// uses the key cyclically. An empty key leaves the data unchanged.
QByteArray arc4Crypt(const QByteArray &key, const QByteArray &data);

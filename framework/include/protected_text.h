#pragma once
// The machine-bound protected form of a text, as stored for protected preferences.

#include <QByteArray>
#include <QString>

// MD5 digest (16 bytes) of the text's UTF-8 bytes.
QByteArray md5Of(const QString &strText);

// Protected form of a text: Base64 of MD5(text) followed by ARC4(text + NUL) keyed with the
// machine code. Without a machine code the text is answered in clear (through Latin-1).
QString protectText(const QString &strPlain);

// Restores a text made by protectText on this machine. Answers false, leaving *pOut alone,
// when the stored form is too short, was altered or was made with another machine code.
bool unprotectText(const QString &strStored, QString *pOut);

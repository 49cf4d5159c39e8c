#pragma once
// Support base class and small helpers shared by the framework: digests, run-time type names,
// the machine code and the machine-bound protected form of a text.

#include <QByteArray>
#include <QString>

#include <type_traits>
#include <typeinfo>

#include "runtimetypename.h"

// Base of every class whose constructor can fail without throwing: the constructor leaves a
// non-zero m_iErrorCode behind, and whoever created the object (the singleton machinery) looks.
class CQTSupport
{
public:
    CQTSupport();
    virtual ~CQTSupport();

    virtual int prepare();
    virtual void finish();

    int m_iErrorCode;
};

// MD5 digest (16 bytes) of the text's UTF-8 bytes.
QByteArray md5Of(const QString &strText);

// Run-time type name of T as the platform writes it ("class QString", "int", "float").
template <typename T>
QString typeNameOf()
{
    return runtimeTypeName(typeid(T), std::is_class<T>::value || std::is_union<T>::value);
}

// Puts the 50-character machine code into *pOut. Answers false only for a null pOut.
// Computed on the first call and served from a cache afterwards (no lock: the first call
// happens during start-up, before any other thread exists).
bool machineCode(QString *pOut);

// Protected form of a text: Base64 of MD5(text) followed by ARC4(text + NUL) keyed with the
// machine code. Without a machine code the text is answered in clear (through Latin-1).
QString protectText(const QString &strPlain);

// Restores a text made by protectText on this machine. Answers false, leaving *pOut alone,
// when the stored form is too short, was altered or was made with another machine code.
bool unprotectText(const QString &strStored, QString *pOut);

#pragma once
// Lazily created, lock-guarded single instances.
//
// A singleton class derives, in this order, from QObject, CQTSupport and CQTSingleton of
// itself, and has a constructor without arguments. Its constructor reports failure by leaving
// a non-zero m_iErrorCode; the process then ends with a fatal log line.

#include <QRecursiveMutex>
#include <QString>

#include <new>

#include "cqt_support.h"
#include "runtime_type_name.h"

class CQTLog;

// Every singleton object registers here while it lives. Nothing reads the list; it exists so
// that a debugger can find every singleton of the process.
class CQTAbstractSingleton
{
public:
    CQTAbstractSingleton();
    virtual ~CQTAbstractSingleton();
};

namespace cqtsingleton_detail {
// Both end the process. bLogInCreation says that the class being created is the log itself:
// the report must then not ask for the log's instance, which is what is being built.
[[noreturn]] void reportRecursion(bool bLogInCreation);
[[noreturn]] void reportCannotCreate(const QString &strTypeName, bool bLogInCreation);
// Stores the code as the thread's error code and writes the error backtrace line (unless the
// class being created is the log itself).
void reportFailedConstruction(int iErrorCode, bool bLogInCreation);
} // namespace cqtsingleton_detail

template <class T>
class CQTSingleton : public CQTAbstractSingleton
{
public:
    // The one T, created on the first call. Ends the process when T cannot be created or when
    // T's own construction asks for it. The first call must come before a second thread can
    // call: the lock itself is created without protection.
    static T *instance();

    // True while T is being constructed.
    static bool isCreating() { return s_bCreating; }

protected:
    CQTSingleton() = default;
    ~CQTSingleton() override
    {
        s_pInstance = nullptr;
        s_bCreating = false;
    }

private:
    static T *s_pInstance;
    static bool s_bCreating;
    static QRecursiveMutex *s_pLock;
};

template <class T> T *CQTSingleton<T>::s_pInstance = nullptr;
template <class T> bool CQTSingleton<T>::s_bCreating = false;
template <class T> QRecursiveMutex *CQTSingleton<T>::s_pLock = nullptr;

template <class T>
T *CQTSingleton<T>::instance()
{
    constexpr bool bIsLog = std::is_same<T, CQTLog>::value;
    if (s_pLock == nullptr)
        s_pLock = new QRecursiveMutex;
    s_pLock->lock();

    if (s_pInstance != nullptr) {
        T *pInstance = s_pInstance;
        s_pLock->unlock();
        return pInstance;
    }
    if (s_bCreating) {
        s_pLock->unlock();
        cqtsingleton_detail::reportRecursion(bIsLog);
    }

    s_bCreating = true;
    T *pNew = new (std::nothrow) T;
    if (pNew == nullptr) {
        s_pLock->unlock();
        cqtsingleton_detail::reportCannotCreate(typeNameOf<T>(), bIsLog);
    }
    if (pNew->m_iErrorCode != 0) {
        cqtsingleton_detail::reportFailedConstruction(pNew->m_iErrorCode, bIsLog);
        delete pNew;
        s_pLock->unlock();
        cqtsingleton_detail::reportCannotCreate(typeNameOf<T>(), bIsLog);
    }

    s_pInstance = pNew;
    s_bCreating = false;
    s_pLock->unlock();
    return s_pInstance;
}

// Itanium C++ ABI (GCC and Clang, mingw-w64 included): demangle, then write class types the
// Windows way.
#include "runtime_type_name.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

QString runtimeTypeName(const std::type_info &info, bool bIsClass)
{
    int iStatus = 0;
    std::unique_ptr<char, void (*)(void *)> demangled(abi::__cxa_demangle(info.name(), nullptr, nullptr, &iStatus), &std::free);
    if (iStatus != 0 || !demangled)
        return QString();
    const QString strName = QString::fromLatin1(demangled.get());
    return bIsClass ? QStringLiteral("class ") + strName : strName;
}

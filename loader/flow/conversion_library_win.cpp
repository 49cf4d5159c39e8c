#include "conversion_library.h"

#include <windows.h>

#include <QString>

namespace {

void* openLibrary(const QByteArray& path)
{
    // A full path: the system searches no folder for it, so no other zentrix.dll can stand in.
    const QString wide = QString::fromUtf8(path);
    return ::LoadLibraryW(reinterpret_cast<LPCWSTR>(wide.utf16()));
}

void* findSymbol(void* pHandle, const char* szName)
{
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(pHandle), szName));
}

void closeLibrary(void* pHandle)
{
    ::FreeLibrary(static_cast<HMODULE>(pHandle));
}

const DynamicLibraryApi g_windowsApi = {openLibrary, findSymbol, closeLibrary};

} // namespace

const DynamicLibraryApi& platformDynamicLibraryApi()
{
    return g_windowsApi;
}

QString conversionLibraryFileName()
{
    return QStringLiteral("zentrix.dll");
}

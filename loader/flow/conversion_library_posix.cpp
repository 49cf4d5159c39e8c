#include "conversion_library.h"

#include <dlfcn.h>

namespace {

void* openLibrary(const QByteArray& path)
{
    // Resolve everything at once so a broken library fails here and not in the middle of a load;
    // keep its symbols to itself so a second copy never interposes on the first.
    return dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
}

void* findSymbol(void* pHandle, const char* szName)
{
    return dlsym(pHandle, szName);
}

void closeLibrary(void* pHandle)
{
    dlclose(pHandle);
}

const DynamicLibraryApi g_posixApi = {openLibrary, findSymbol, closeLibrary};

} // namespace

const DynamicLibraryApi& platformDynamicLibraryApi()
{
    return g_posixApi;
}

QString conversionLibraryFileName()
{
    return QStringLiteral("libzentrix.so");
}

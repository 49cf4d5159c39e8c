#include "conversion_library.h"

#include <QDir>

namespace {
const DynamicLibraryApi* g_pTestApi = nullptr;
}

QString conversionLibraryPath(const QString& strDirectory)
{
    return QDir::toNativeSeparators(strDirectory + QLatin1Char('/') + conversionLibraryFileName());
}

void ConversionLibrary::setApiForTesting(const DynamicLibraryApi* pApi)
{
    g_pTestApi = pApi;
}

const DynamicLibraryApi& ConversionLibrary::api()
{
    return g_pTestApi ? *g_pTestApi : platformDynamicLibraryApi();
}

ConversionLibrary::~ConversionLibrary()
{
    unload();
}

bool ConversionLibrary::load(const QString& strPath)
{
    unload();
    m_pHandle = api().open(strPath.toUtf8());
    return m_pHandle != nullptr;
}

zentrix_convert_fn ConversionLibrary::convertProcedure() const
{
    if (!m_pHandle)
        return nullptr;
    // The library exports a plain C function; the object-to-function pointer cast is what
    // every POSIX dlsym caller does.
    return reinterpret_cast<zentrix_convert_fn>(api().symbol(m_pHandle, "convert_d"));
}

void ConversionLibrary::unload()
{
    if (!m_pHandle)
        return;
    api().close(m_pHandle);
    m_pHandle = nullptr;
}

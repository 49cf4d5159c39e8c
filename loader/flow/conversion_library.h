#ifndef TREVIK_CONVERSION_LIBRARY_H
#define TREVIK_CONVERSION_LIBRARY_H

#include <QByteArray>
#include <QString>

#include "zentrix.h"

// Platform layer for loading a shared library at run time, one function per service.
// open gives null when the library cannot be loaded; symbol gives null when the name is not
// exported; close releases one successful open.
struct DynamicLibraryApi
{
    void* (*open)(const QByteArray& path);
    void* (*symbol)(void* pHandle, const char* szName);
    void (*close)(void* pHandle);
};

// The platform's functions (dlopen, dlsym, dlclose here).
const DynamicLibraryApi& platformDynamicLibraryApi();

// File name of the conversion library on this platform ("libzentrix.so").
QString conversionLibraryFileName();

// Full path of the conversion library in the given directory, with native separators.
QString conversionLibraryPath(const QString& strDirectory);

// The conversion library for the length of one conversion: loaded by load(), released by
// unload() or at the latest by the destructor. The image that convert_d hands out lives in the
// library, so it must be used before the library is released.
class ConversionLibrary
{
public:
    ConversionLibrary() = default;
    ~ConversionLibrary();
    ConversionLibrary(const ConversionLibrary&) = delete;
    ConversionLibrary& operator=(const ConversionLibrary&) = delete;

    // Loads the library from the full path (taken as UTF-8 bytes). False when it cannot be loaded.
    bool load(const QString& strPath);
    bool isLoaded() const { return m_pHandle != nullptr; }
    // Looks up convert_d by its plain name; null when not loaded or not exported.
    zentrix_convert_fn convertProcedure() const;
    // Releases the library; does nothing when it is not loaded.
    void unload();

    // Test seam: replaces the platform functions for every later load, symbol lookup and
    // unload (also of objects that exist already). Pass nullptr to restore the platform's.
    static void setApiForTesting(const DynamicLibraryApi* pApi);

private:
    static const DynamicLibraryApi& api();

    void* m_pHandle = nullptr;
};

#endif

// The conversion library on Windows: loaded by full path from the program's folder (also one
// whose name is not plain ASCII), its procedure found, and the module really gone again after
// each unload, as every Process loads it afresh.

#include <windows.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "conversion_library.h"

namespace {

QString programFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return QFileInfo(QString::fromWCharArray(path, int(n))).absolutePath();
}

// Loads the library from `path` and unloads it again: the procedure is there, and afterwards the
// module is really gone from the process.
void expectLoadedAndGone(ConversionLibrary& library, const QString& path)
{
    ASSERT_TRUE(library.load(path)) << path.toStdString() << ": " << ::GetLastError();
    EXPECT_TRUE(::GetModuleHandleW(L"zentrix.dll") != nullptr);
    EXPECT_NE(library.convertProcedure(), nullptr);
    library.unload();
    EXPECT_FALSE(library.isLoaded());
    EXPECT_FALSE(::GetModuleHandleW(L"zentrix.dll") != nullptr) << "the module stays in the process after its unload";
}

TEST(ConversionLibrary, LoadedFromTheFolderAndGoneAfterUnload)
{
    EXPECT_EQ(conversionLibraryFileName(), QStringLiteral("zentrix.dll"));
    const QString path = conversionLibraryPath(programFolder());
    EXPECT_TRUE(path.contains(QLatin1Char('\\')) && !path.contains(QLatin1Char('/'))) << path.toStdString();
    for (int process = 0; process < 2; ++process) { // every Process loads and releases it
        ConversionLibrary library;
        expectLoadedAndGone(library, path);
    }
}

// A folder name beyond ASCII reaches the system whole (the path travels as UTF-8 and is loaded
// as UTF-16); a folder without the library loads nothing.
TEST(ConversionLibrary, FolderNamesBeyondAsciiAndAMissingLibrary)
{
    QTemporaryDir scratch;
    const QString folder = scratch.path() + QStringLiteral("/Pr\u00fcfung \u00e9t\u00e9 \u041a\u0430\u0442\u0430\u043b\u043e\u0433");
    ASSERT_TRUE(scratch.isValid() && QDir().mkpath(folder));
    ConversionLibrary library;
    EXPECT_FALSE(library.load(conversionLibraryPath(folder)));
    EXPECT_FALSE(library.isLoaded());
    EXPECT_EQ(library.convertProcedure(), nullptr);
    ASSERT_TRUE(QFile::copy(programFolder() + QStringLiteral("/zentrix.dll"), folder + QStringLiteral("/zentrix.dll")));
    expectLoadedAndGone(library, conversionLibraryPath(folder));
}

} // namespace

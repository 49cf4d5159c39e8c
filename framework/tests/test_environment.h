#pragma once
// Shared set-up of the framework's and the application's test programs.
//
// Tests never touch the real user's files: before anything else runs, main() points HOME,
// XDG_CONFIG_HOME and TMPDIR at a fresh folder under the system's temporary folder and tells
// QSettings to use it for the user scope. Death tests re-run the program, so the child gets a
// folder of its own.

#include <QByteArray>
#include <QString>

#include <ostream>

// Readable QString and QByteArray values in failure messages.
inline void PrintTo(const QString &strValue, std::ostream *pOut)
{
    *pOut << '"' << strValue.toUtf8().constData() << '"';
}
inline void PrintTo(const QByteArray &value, std::ostream *pOut)
{
    *pOut << '"' << value.toStdString() << '"';
}

namespace testenv {

// The process's private folder (removed when the process ends normally).
QString rootDir();
// A fresh, empty sub-folder of rootDir() for one test.
QString freshDir(const QString &strName);
// Reads a whole file, or an empty array when it cannot.
QByteArray readFile(const QString &strPath);
// Writes a whole file; answers false when it cannot.
bool writeFile(const QString &strPath, const QByteArray &contents);

} // namespace testenv

#pragma once
// Shared set-up of the framework's and the application's test programs. Before anything else
// runs, main() points HOME, XDG_CONFIG_HOME and TMPDIR at a fresh private folder (QSettings'
// user scope too), so no test touches the real user's files. Death tests re-run the program.

#include <QFile>
#include <QStringList>

#include <cstdint>
#include <ostream>

inline void PrintTo(const QString &strValue, std::ostream *pOut) { *pOut << '"' << strValue.toStdString() << '"'; }
inline void PrintTo(const QByteArray &value, std::ostream *pOut) { *pOut << '"' << value.toStdString() << '"'; }
inline QString operator""_q(const char *szText, size_t iSize) { return QString::fromUtf8(szText, static_cast<int>(iSize)); }

namespace testenv {

QString rootDir();
QString freshDir(); // a fresh, empty folder for the running test
inline QByteArray readFile(const QString &strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
// A settings file's text with LF line ends: QSettings ends its lines with CR LF on Windows.
inline QByteArray readSettings(const QString &strPath)
{
    return readFile(strPath).replace("\r\n", "\n");
}
inline bool writeFile(const QString &strPath, const QByteArray &contents)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}
#ifdef TREVIK_TEST_FIXTURES
inline QByteArray fixture(const char *szName) { return readFile(QStringLiteral(TREVIK_TEST_FIXTURES "/") + QString::fromLatin1(szName)); }
#endif
// szDefaults ("a=1|b=2|c=3") with the fields of szChanges ("b=5") in their places.
QString withChanges(const char *szDefaults, const char *szChanges);
// Every log time stamp such as "[16:34:45.120]" becomes "[hh:mm:ss.zzz]".
QByteArray maskTimes(const QByteArray &text);
// The machine code becomes that of a machine with this identifier and volume serial (null: the
// platform's own readers again); machineReads() counts the identifier's reads since.
void useMachine(const char *szIdentifier, uint32_t uSerial = 0);
int machineReads();
// Whether only the user running the test can open the file (mode 0600; on Windows an access list
// naming that user alone, not inherited).
bool isOwnerOnlyFile(const QString &strPath);

} // namespace testenv

// The texts of Qt's message output while it lives.
struct LogCapture
{
    LogCapture();
    ~LogCapture();
    QStringList texts;
};

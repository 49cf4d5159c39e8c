#include "handler_test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

#include "app_preferences.h"
#include "cqt_config_mgr.h"

// Every device test process gets a private home, settings folder and pinned-ports folder (CTest
// runs the tests of one binary in parallel processes), a Qt application for signals and event
// loops, and the application's preferences initialised. The variables serve Linux; the
// settings path serves every platform (Windows keeps user settings under the profile).
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) // discovery at build time only lists the names
        return RUN_ALL_TESTS();
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "TREVIK_PORT_DIR"})
        qputenv(variable, (home.path() + '/' + variable).toLocal8Bit());
    QDir().mkpath(QString::fromLocal8Bit(qgetenv("TREVIK_PORT_DIR")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path() + QStringLiteral("/settings"));
    QCoreApplication app(argc, argv);
    g_configMgr.initialize();
    return RUN_ALL_TESTS();
}

void resetPreferences(int deviceCom)
{
    pref::iDeviceCom = deviceCom;
    pref::bEmulateDevice = false;
    pref::iComBaudrate = 9600;
    pref::iComByteSize = 8;
    pref::iComParity = 0;
    pref::iComStopBits = 0;
    pref::iComDtrControl = 1;
    pref::iComRtsControl = 1;
    pref::iComDsrFlow = 0;
    pref::iComCtsFlow = 0;
}

ProdDataRequest configRequest(int size)
{
    ProdDataRequest r;
    r.param = kProdDataConfigParam;
    r.kind = kProdDataConfigKind;
    for (int i = 0; i < size; ++i) // bytes that differ from their neighbours, 0x0A and 0x0D among them
        r.payload += char((i * 7 + 3) & 0xFF);
    r.size = quint32(size);
    return r;
}

// ---- SerialTrace ----

void SerialTrace::fail(const QString& call, int code) { m_failures.append({call, code}); }
void SerialTrace::shorten(quint32 writeBytes, quint32 readBytes, int writeCode)
{
    m_shortWrites = writeBytes;
    m_shortReads = readBytes;
    m_shortWriteCode = writeCode;
}

QStringList SerialTrace::lines() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

int SerialTrace::count(const QString& prefix) const
{
    return lines().filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix))).size();
}

template <typename Call>
bool SerialTrace::pass(const QString& line, Call call)
{
    m_polling = false;
    const auto failure = std::find_if(m_failures.cbegin(), m_failures.cend(),
                                      [&](const QPair<QString, int>& f) { return line.startsWith(f.first); });
    const bool ok = failure == m_failures.cend() && call();
    // The bookkeeping must not change the code the call left (Windows' may change with any call).
    const int code = failure == m_failures.cend() ? below().lastError() : failure->second;
    {
        QMutexLocker lock(&m_mutex);
        m_lines << (ok ? line : line + QStringLiteral(" fail"));
    }
    below().setLastError(code);
    return ok;
}

SerialHandle SerialTrace::open(const QString& path)
{
    SerialHandle h = kInvalidSerialHandle;
    pass(QStringLiteral("open ") + path, [&] { return (h = below().open(path)) != kInvalidSerialHandle; });
    return h;
}

bool SerialTrace::close(SerialHandle h)
{
    return pass(QStringLiteral("close"), [&] { return below().close(h); });
}

bool SerialTrace::getLineState(SerialHandle h, SerialLineState& s)
{
    return pass(QStringLiteral("get-line"), [&] { return below().getLineState(h, s); });
}

bool SerialTrace::setLineState(SerialHandle h, const SerialLineState& s)
{
    return pass(QStringLiteral("set-line %1 %2 %3 %4 dtr %5 rts %6 dsr %7 cts %8").arg(s.baudRate).arg(s.byteSize)
                    .arg(s.parity).arg(s.stopBits).arg(s.dtrControl).arg(s.rtsControl).arg(s.outxDsrFlow).arg(s.outxCtsFlow),
                [&] { return below().setLineState(h, s); });
}

bool SerialTrace::getTimeouts(SerialHandle h, SerialTimeouts& t)
{
    return pass(QStringLiteral("get-timeouts"), [&] { return below().getTimeouts(h, t); });
}

bool SerialTrace::setTimeouts(SerialHandle h, const SerialTimeouts& t)
{
    return pass(QStringLiteral("set-timeouts %1 %2 %3 %4 %5").arg(t.readIntervalTimeout).arg(t.readTotalTimeoutMultiplier)
                    .arg(t.readTotalTimeoutConstant).arg(t.writeTotalTimeoutMultiplier).arg(t.writeTotalTimeoutConstant),
                [&] { return below().setTimeouts(h, t); });
}

bool SerialTrace::inputQueueCount(SerialHandle h, quint32& count)
{
    m_polling = true;
    return below().inputQueueCount(h, count);
}

bool SerialTrace::hungUp(SerialHandle h)
{
    // Asked between polls, as the queue count is: not a line of its own.
    return below().hungUp(h);
}

bool SerialTrace::read(SerialHandle h, void* buffer, quint32 length, quint32& got)
{
    return pass(QStringLiteral("read %1").arg(length),
                [&] { return below().read(h, buffer, length - qMin(length, m_shortReads), got); });
}

bool SerialTrace::write(SerialHandle h, const void* buffer, quint32 length, quint32& written)
{
    return pass(QStringLiteral("write %1").arg(length),
                [&] {
                    const bool ok = below().write(h, buffer, length - qMin(length, m_shortWrites), written);
                    if (ok && written < length && m_shortWriteCode)
                        below().setLastError(m_shortWriteCode);
                    return ok;
                });
}

bool SerialTrace::purge(SerialHandle h, unsigned flags)
{
    return pass(QStringLiteral("purge %1").arg(flags), [&] { return below().purge(h, flags); });
}

bool SerialTrace::abort(SerialHandle h)
{
    return pass(QStringLiteral("abort"), [&] { return below().abort(h); });
}

void SerialTrace::sleepMs(unsigned milliseconds)
{
    // How many times a read polls depends on timing: a wait is one "poll" line, however long.
    const QString line = (m_polling ? QStringLiteral("poll %1") : QStringLiteral("sleep %1")).arg(milliseconds);
    if (!m_polling || lines().value(lines().size() - 1) != line)
        pass(line, [] { return true; });
    m_polling = line.startsWith(QLatin1String("poll"));
    below().sleepMs(milliseconds);
}

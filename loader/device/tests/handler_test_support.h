#pragma once
// Shared pieces of the device tests on every platform: the main (a private home and settings
// per test process), the preferences of a fresh installation, the handler with its state
// opened up, and a trace of the calls the device logic makes on the serial layer.

#include <QMutex>
#include <QString>
#include <QStringList>

#include "com_handler256.h"
#include "device_records.h"
#include "serial_port_api.h"

// The port the tables use. Numbers above 160 have no automatic device on Linux, so a pinned
// port there is the test's alone; two digits or more also take the "\\.\COM" path.
constexpr int kTestCom = 201;

// The preferences of a fresh installation, with the given port.
void resetPreferences(int deviceCom = kTestCom);

// The PROD_SET_DATA request the load flow makes, for a payload of `size` distinct-looking bytes.
ProdDataRequest configRequest(int size);

// COMHandler256 with its primitives and state opened up.
class TestableHandler : public COMHandler256
{
public:
    using COMHandler256::COMHandler256;
    using COMHandler256::closePort;
    using COMHandler256::configurePort;
    using COMHandler256::openPort;
    using COMHandler256::writeAll;

    bool isBusy() const { return busy; }
    SerialHandle handle() const { return portHandle; }
    QString error() const { return lastError; }
};

// A serial layer a test puts in for its lifetime over the one installed before it. Error codes,
// their texts and sleeps stay the system's.
class InstalledSerialLayer : public SerialPortApi
{
public:
    InstalledSerialLayer() : m_below(setSerialPortApi(this)) {}
    ~InstalledSerialLayer() override { setSerialPortApi(m_below); }
    void sleepMs(unsigned ms) override { systemSerialPortApi().sleepMs(ms); }
    int lastError() override { return systemSerialPortApi().lastError(); }
    void setLastError(int code) override { systemSerialPortApi().setLastError(code); }
    QString errorText(int code) override { return systemSerialPortApi().errorText(code); }

protected:
    SerialPortApi& below() const { return m_below ? *m_below : systemSerialPortApi(); }

private:
    SerialPortApi* m_below;
};

// Passes every call to the layer below (the system's, or an in-memory line) and writes each down
// as one line ("write 60", "set-timeouts 5000 1 5000 2 1000", "read 2 fail"). A read's
// input-queue polls are left out, and the sleeps of one wait are a single "poll 10": how many
// there are depends on timing. Chosen calls can fail, and writes or reads come up short.
class SerialTrace : public InstalledSerialLayer
{
public:
    // Every later call whose line starts with `call` fails with `code`, unseen by the layer.
    void fail(const QString& call, int code);
    // Writes pass `writeBytes` fewer bytes on and report that, leaving `writeCode` as the
    // thread's error code as a layer that stops short may; reads ask for `readBytes` fewer.
    void shorten(quint32 writeBytes, quint32 readBytes, int writeCode = 0);

    QStringList lines() const;
    int count(const QString& prefix) const;

    SerialHandle open(const QString& devicePath) override;
    bool close(SerialHandle handle) override;
    bool getLineState(SerialHandle handle, SerialLineState& state) override;
    bool setLineState(SerialHandle handle, const SerialLineState& state) override;
    bool getTimeouts(SerialHandle handle, SerialTimeouts& timeouts) override;
    bool setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts) override;
    bool inputQueueCount(SerialHandle handle, quint32& count) override;
    bool hungUp(SerialHandle handle) override;
    bool read(SerialHandle handle, void* buffer, quint32 length, quint32& got) override;
    bool write(SerialHandle handle, const void* buffer, quint32 length, quint32& written) override;
    bool purge(SerialHandle handle, unsigned flags) override;
    bool abort(SerialHandle handle) override;
    void sleepMs(unsigned milliseconds) override;

private:
    // Records `line` and makes the call, unless the call is to fail.
    template <typename Call>
    bool pass(const QString& line, Call call);

    QList<QPair<QString, int>> m_failures;
    quint32 m_shortWrites = 0;
    quint32 m_shortReads = 0;
    int m_shortWriteCode = 0;
    bool m_polling = false;
    mutable QMutex m_mutex;
    QStringList m_lines;
};

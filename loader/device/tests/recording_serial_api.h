#pragma once
// A serial-port layer for tests: passes every call to the system's layer, records it, and can
// make chosen calls fail or come up short. Installs itself for its lifetime.

#include <QList>
#include <QMutex>

#include "serialportapi.h"

struct SerialCall
{
    enum Kind { Open, Close, GetLine, SetLine, GetTimeouts, SetTimeouts, QueueCount, Read, Write,
                Purge, Sleep };
    explicit SerialCall(Kind k) : kind(k) {}
    Kind kind;
    quint32 value = 0;        // bytes asked for, purge flags or milliseconds
    SerialLineState state;    // for GetLine (result) and SetLine (argument)
    SerialTimeouts timeouts;  // for SetTimeouts (argument)
    bool ok = true;
};

class RecordingSerialApi : public SerialPortApi
{
public:
    RecordingSerialApi();
    ~RecordingSerialApi() override;

    // Every later call of `kind` fails with `errorCode` (without reaching the system).
    void failCalls(SerialCall::Kind kind, int errorCode) { m_fail[kind] = errorCode; }
    // Write calls hand only `bytes` fewer bytes to the system and report that count.
    void shortenWrites(quint32 bytes) { m_shortenWrites = bytes; }
    // Read calls ask the system for `bytes` fewer bytes than the caller wanted.
    void shortenReads(quint32 bytes) { m_shortenReads = bytes; }

    QList<SerialCall> calls() const;
    QList<SerialCall> callsOf(SerialCall::Kind kind) const;
    int count(SerialCall::Kind kind) const { return callsOf(kind).size(); }
    void clear();

    SerialHandle open(const QString& devicePath) override;
    bool close(SerialHandle handle) override;
    bool getLineState(SerialHandle handle, SerialLineState& state) override;
    bool setLineState(SerialHandle handle, const SerialLineState& state) override;
    bool getTimeouts(SerialHandle handle, SerialTimeouts& timeouts) override;
    bool setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts) override;
    bool inputQueueCount(SerialHandle handle, quint32& count) override;
    bool read(SerialHandle handle, void* buffer, quint32 length, quint32& got) override;
    bool write(SerialHandle handle, const void* buffer, quint32 length, quint32& written) override;
    bool purge(SerialHandle handle, unsigned flags) override;
    void sleepMs(unsigned milliseconds) override;
    int lastError() override;
    void setLastError(int code) override;
    QString errorText(int code) override;

    QStringList openedPaths() const;

private:
    bool injected(SerialCall::Kind kind, SerialCall call);
    void record(const SerialCall& call);

    SerialPortApi& m_system;
    SerialPortApi* m_previous;
    int m_fail[SerialCall::Sleep + 1];
    quint32 m_shortenWrites = 0;
    quint32 m_shortenReads = 0;
    mutable QMutex m_mutex;
    QList<SerialCall> m_calls;
    QStringList m_openedPaths;
};

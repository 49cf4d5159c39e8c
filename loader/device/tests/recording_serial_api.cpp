#include "recording_serial_api.h"

#include <QMutexLocker>
#include <QStringList>

RecordingSerialApi::RecordingSerialApi()
    : m_system(systemSerialPortApi()), m_previous(setSerialPortApi(this))
{
    for (int& code : m_fail)
        code = 0;
}

RecordingSerialApi::~RecordingSerialApi()
{
    setSerialPortApi(m_previous);
}

QList<SerialCall> RecordingSerialApi::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QList<SerialCall> RecordingSerialApi::callsOf(SerialCall::Kind kind) const
{
    QList<SerialCall> out;
    for (const SerialCall& c : calls()) {
        if (c.kind == kind)
            out.append(c);
    }
    return out;
}

void RecordingSerialApi::clear()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
    m_openedPaths.clear();
}

QStringList RecordingSerialApi::openedPaths() const
{
    QMutexLocker lock(&m_mutex);
    return m_openedPaths;
}

void RecordingSerialApi::record(const SerialCall& call)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append(call);
}

bool RecordingSerialApi::injected(SerialCall::Kind kind, SerialCall call)
{
    if (m_fail[kind] == 0)
        return false;
    call.ok = false;
    record(call);
    m_system.setLastError(m_fail[kind]);
    return true;
}

SerialHandle RecordingSerialApi::open(const QString& devicePath)
{
    {
        QMutexLocker lock(&m_mutex);
        m_openedPaths.append(devicePath);
    }
    if (injected(SerialCall::Open, SerialCall(SerialCall::Open)))
        return kInvalidSerialHandle;
    const SerialHandle h = m_system.open(devicePath);
    SerialCall c(SerialCall::Open);
    c.ok = h != kInvalidSerialHandle;
    record(c);
    return h;
}

bool RecordingSerialApi::close(SerialHandle handle)
{
    const bool ok = m_system.close(handle);
    SerialCall c(SerialCall::Close);
    c.ok = ok;
    record(c);
    return ok;
}

bool RecordingSerialApi::getLineState(SerialHandle handle, SerialLineState& state)
{
    if (injected(SerialCall::GetLine, SerialCall(SerialCall::GetLine)))
        return false;
    SerialCall c(SerialCall::GetLine);
    c.ok = m_system.getLineState(handle, state);
    c.state = state;
    record(c);
    return c.ok;
}

bool RecordingSerialApi::setLineState(SerialHandle handle, const SerialLineState& state)
{
    SerialCall c(SerialCall::SetLine);
    c.state = state;
    if (injected(SerialCall::SetLine, c))
        return false;
    c.ok = m_system.setLineState(handle, state);
    record(c);
    return c.ok;
}

bool RecordingSerialApi::getTimeouts(SerialHandle handle, SerialTimeouts& timeouts)
{
    if (injected(SerialCall::GetTimeouts, SerialCall(SerialCall::GetTimeouts)))
        return false;
    SerialCall c(SerialCall::GetTimeouts);
    c.ok = m_system.getTimeouts(handle, timeouts);
    record(c);
    return c.ok;
}

bool RecordingSerialApi::setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts)
{
    SerialCall c(SerialCall::SetTimeouts);
    c.timeouts = timeouts;
    if (injected(SerialCall::SetTimeouts, c))
        return false;
    c.ok = m_system.setTimeouts(handle, timeouts);
    record(c);
    return c.ok;
}

bool RecordingSerialApi::inputQueueCount(SerialHandle handle, quint32& count)
{
    if (injected(SerialCall::QueueCount, SerialCall(SerialCall::QueueCount)))
        return false;
    SerialCall c(SerialCall::QueueCount);
    c.ok = m_system.inputQueueCount(handle, count);
    c.value = count;
    record(c);
    return c.ok;
}

bool RecordingSerialApi::read(SerialHandle handle, void* buffer, quint32 length, quint32& got)
{
    SerialCall c(SerialCall::Read);
    c.value = length;
    if (injected(SerialCall::Read, c))
        return false;
    const quint32 asked = length > m_shortenReads ? length - m_shortenReads : 0;
    c.ok = m_system.read(handle, buffer, asked, got);
    record(c);
    return c.ok;
}

bool RecordingSerialApi::write(SerialHandle handle, const void* buffer, quint32 length,
                               quint32& written)
{
    SerialCall c(SerialCall::Write);
    c.value = length;
    if (injected(SerialCall::Write, c))
        return false;
    const quint32 handed = length > m_shortenWrites ? length - m_shortenWrites : 0;
    c.ok = m_system.write(handle, buffer, handed, written);
    record(c);
    return c.ok;
}

bool RecordingSerialApi::purge(SerialHandle handle, unsigned flags)
{
    SerialCall c(SerialCall::Purge);
    c.value = flags;
    c.ok = m_system.purge(handle, flags);
    record(c);
    return c.ok;
}

void RecordingSerialApi::sleepMs(unsigned milliseconds)
{
    SerialCall c(SerialCall::Sleep);
    c.value = milliseconds;
    record(c);
    m_system.sleepMs(milliseconds);
}

int RecordingSerialApi::lastError()
{
    return m_system.lastError();
}

void RecordingSerialApi::setLastError(int code)
{
    m_system.setLastError(code);
}

QString RecordingSerialApi::errorText(int code)
{
    return m_system.errorText(code);
}

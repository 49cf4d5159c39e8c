#include "device_call.h"

#include <QThread>

DeviceCall::DeviceCall(Work work, QObject* parent) : QObject(parent), m_work(std::move(work))
{
    static const int registered = qRegisterMetaType<DeviceProgress>();
    Q_UNUSED(registered);
}

DeviceCall::~DeviceCall()
{
    wait();
    delete m_thread;
}

void DeviceCall::start()
{
    if (m_thread)
        return;
    // The work emits from its own thread; this object lives on the caller's, so every
    // progress() is queued there, ahead of the thread's finished().
    m_thread = QThread::create([this] { m_work([this](const DeviceProgress& p) { emit progress(p); }); });
    connect(m_thread, &QThread::finished, this, &DeviceCall::finished);
    m_thread->start();
}

void DeviceCall::wait()
{
    if (m_thread)
        m_thread->wait();
}

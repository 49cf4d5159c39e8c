#pragma once
// One piece of device work away from its caller's thread, so that the caller (a window, a
// command line serving several switches at once) stays free while the line is slow.
//
// The work runs on a thread of its own with an event loop (the device link's open retry waits
// in one) and makes its own COMHandler256 there. What it reports through the progress function
// arrives as progress() on the thread this object lives in, in order, and finished() follows
// once the work has returned. The work's results are the caller's business: it captures where
// to put them and reads them in its finished() slot, not before.

#include <QObject>
#include <functional>

#include "com_handler256.h"

class QThread;

class DeviceCall : public QObject
{
    Q_OBJECT

public:
    using Work = std::function<void(const DeviceProgressFn& progress)>;

    explicit DeviceCall(Work work, QObject* parent = nullptr);
    // Waits for the work to end: a write is never abandoned half-way.
    ~DeviceCall() override;

    // Starts the work; returns at once. A call runs once.
    void start();
    // Blocks until the work has returned (finished() is still delivered by the event loop).
    void wait();

signals:
    void progress(const DeviceProgress& progress);
    void finished();

private:
    Work m_work;
    QThread* m_thread = nullptr;
};

#pragma once
// The switch's side of one load on several ports at once: each port's GET_INFO, port-count
// check and write run on a thread of their own (DeviceCall), with that port's line settings as
// a value, while the caller's thread only collects progress and results. The image is
// converted once, before, by the caller: the conversion library is never called from two
// threads.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <vector>

#include "load_flow.h"

class RoomLoad : public QObject
{
    Q_OBJECT

public:
    RoomLoad(const QList<LinkSettings>& ports, const QByteArray& image, int portCount, QObject* parent = nullptr);
    // Waits for every port's work to end.
    ~RoomLoad() override;

    // Starts every port at once and returns when the last has ended, running the caller's event
    // loop meanwhile (progress, finished and interrupts arrive there).
    void run();
    // Where each port's load ended, in the order given; valid after run().
    const std::vector<LoadResult>& results() const { return m_results; }

signals:
    void progress(int index, const DeviceProgress& progress);
    void finished(int index, const LoadResult& result);

private:
    QList<LinkSettings> m_ports;
    QByteArray m_image;
    int m_portCount;
    std::vector<LoadResult> m_results;
};

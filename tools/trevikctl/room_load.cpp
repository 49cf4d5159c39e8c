#include "room_load.h"

#include <QEventLoop>
#include <memory>
#include <vector>

#include "device_call.h"

RoomLoad::RoomLoad(const QList<LinkSettings>& ports, const QByteArray& image, int portCount, QObject* parent)
    : QObject(parent), m_ports(ports), m_image(image), m_portCount(portCount)
{
}

RoomLoad::~RoomLoad() = default;

void RoomLoad::run()
{
    m_results.assign(std::size_t(m_ports.size()), LoadResult {});
    std::vector<std::unique_ptr<DeviceCall>> calls;
    QEventLoop loop;
    int running = m_ports.size();
    for (int i = 0; i < m_ports.size(); ++i) {
        // Each thread writes only its own slot, and the slot is read once its call has ended.
        LoadResult* slot = &m_results[std::size_t(i)];
        const LinkSettings settings = m_ports[i];
        calls.push_back(std::make_unique<DeviceCall>([=](const DeviceProgressFn& report) {
            *slot = loadIntoSwitch(settings, m_image, m_portCount, report);
        }));
        DeviceCall* call = calls.back().get();
        connect(call, &DeviceCall::progress, this, [this, i](const DeviceProgress& p) { emit progress(i, p); });
        connect(call, &DeviceCall::finished, this, [&, i] {
            emit finished(i, m_results[std::size_t(i)]);
            if (--running == 0)
                loop.quit();
        });
    }
    for (auto& call : calls)
        call->start();
    if (running > 0)
        loop.exec();
}

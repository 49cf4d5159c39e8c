#include "log_capture.h"

#include <QStringList>

namespace {

QList<CapturedMessage> g_messages;

void capture(QtMsgType type, const QMessageLogContext &, const QString &strText)
{
    g_messages.append(CapturedMessage{type, strText});
}

} // namespace

LogCapture::LogCapture() : m_previous(qInstallMessageHandler(&capture))
{
    g_messages.clear();
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    g_messages.clear();
}

const QList<CapturedMessage> &LogCapture::messages() const
{
    return g_messages;
}

QStringList LogCapture::texts() const
{
    QStringList list;
    for (const CapturedMessage &message : g_messages)
        list.append(message.strText);
    return list;
}

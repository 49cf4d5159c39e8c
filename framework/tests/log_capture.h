#pragma once
// Captures Qt's message output for the lifetime of the object.

#include <QList>
#include <QString>
#include <QtGlobal>

struct CapturedMessage
{
    QtMsgType type;
    QString strText;
};

class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    const QList<CapturedMessage> &messages() const;
    QStringList texts() const;

private:
    QtMessageHandler m_previous;
};

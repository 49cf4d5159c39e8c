#pragma once
// The process-wide watch on the system's serial ports.

#include <QObject>
#include <QStringList>

class SerialDeviceEnumeratorPrivate;

// Keeps a map of the present serial ports and their properties, rescans whenever the system
// reports a device change, and emits hasChanged with the sorted port names whenever anything
// about the ports changed. Lives on the thread that first asks for it (the GUI thread) and is
// never destroyed. Its first scan runs inside its construction, before anybody can listen:
// a listener asks portNames() once after connecting.
class SerialDeviceEnumerator : public QObject
{
    Q_OBJECT

public:
    // The one object of the process, created without parent on the first call.
    static SerialDeviceEnumerator* instance();

    // Names of the ports of the last scan that differed from the one before ("COM10" sorts
    // before "COM2": plain QString order).
    QStringList portNames() const;

signals:
    void hasChanged(const QStringList& list);

private slots:
    void _q_processWatcher();

private:
    explicit SerialDeviceEnumerator(QObject* parent = nullptr);
    ~SerialDeviceEnumerator() override;

    SerialDeviceEnumeratorPrivate* d;
    friend class SerialDeviceEnumeratorPrivate;
};

#pragma once
// The program's only path to the switch: the serial port, the switch's two commands, and the
// connection indicator.

#include <QDeadlineTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

#include "device_records.h"
#include "link_settings.h"
#include "serial_port_api.h"

class QEventLoop;

// How far a device operation has come, for a caller that shows it: records read of a
// GET_INFO run, bytes of a PROD_SET_DATA frame that have left the line (by the line's pace,
// whatever the driver took at once), then the wait for the switch's answer, which begins only
// once the frame's last byte is on its way to the switch.
struct DeviceProgress
{
    enum Stage { InfoRecords, Writing, AwaitingAnswer };
    Stage stage = InfoRecords;
    int done = 0;
    int total = 0;
};
Q_DECLARE_METATYPE(DeviceProgress)
using DeviceProgressFn = std::function<void(const DeviceProgress&)>;

// Where the last failed operation stopped, for a caller that tells transport trouble from
// a switch that refused or did not answer. HangUp: the line went dead while a reply was
// awaited (an unplugged adapter); Cancelled: cancelAll() stopped the operation.
enum class DeviceFailure { None, PortNumber, Open, Configure, Write, Read, Reply, Payload, HangUp, Cancelled };

// Every operation opens the configured port, configures it, runs its exchanges and closes the
// port again before it returns; no port stays open between calls. The port and the line
// settings come from the preferences at the moment they are needed (general.device_com,
// general.comparam_*), or, for a handler made with LinkSettings, from that value alone.
// An object is used by one thread, the one it lives in; transfers block that thread, except
// for the one 2000 ms wait before the second open attempt, which runs a nested event loop.
// Handlers on different threads may run at once on different ports.
//
// Time on a real line: a reply's one-second budget starts when the request's last byte has
// left the line (its time on the wire at the configured settings counts on top), and a write
// that cannot proceed fails after its own time on the wire plus one second.
//
// A hang-up (the other end gone while a reply is awaited) ends the read at once rather than
// after its budget; the text stays the read's time-out text, lastFailure() says HangUp.
//
// Failures are reported as false plus an English text; nothing is thrown or logged here.
class COMHandler256 : public QObject
{
    Q_OBJECT

public:
    // Reads the preferences as it goes, and follows the system's ports: connects to the port
    // enumerator's hasChanged (creating the enumerator on first use) for the probe.
    explicit COMHandler256(QObject* parent = nullptr);
    // Works with `settings` alone and runs operations only: it does not follow the system's
    // ports, so it may live on any thread.
    explicit COMHandler256(const LinkSettings& settings, QObject* parent = nullptr);
    ~COMHandler256() override;

    // Stops every operation of every handler in the process, from any thread: output not yet
    // on the line is dropped at once, nothing more is written, and each operation fails
    // promptly with DeviceFailure::Cancelled (an open retry's wait ends too). Meant for a
    // program that is being interrupted; handlers made later are not affected.
    static void cancelAll();
    // True while an operation of this process holds port COMn open.
    static bool portOpenHere(int number);

    // Runs the connection probe on the enumerator's current list; call it once after
    // connecting comConnected so the indicator is right from the start.
    void checkConnection();

    // Asks the switch for its 32 information records and appends them to `list` in index
    // order 0..31. True: all 32 appended. False: `error` says why, the port is closed again,
    // and the records of the exchanges before the failure stay appended. With device
    // emulation on, answers at once without a port.
    bool getInfo(QList<InfoRecord>& list, QString& error);

    // Sends one PROD_SET_DATA frame built from `request` and waits for the switch's short
    // reply; its status byte goes into request.status unless it is 2. True: the whole frame
    // was written and the switch answered with a short reply (its status is not judged).
    // False: `error` says why. A payload above 4088 bytes is refused before the port is
    // touched. Always uses the real port, also with emulation on.
    bool prodSetData(ProdDataRequest& request, QString& error);

    // Called as an operation goes on; an empty function (the default) is never called.
    void setProgress(DeviceProgressFn progress) { this->progress = std::move(progress); }
    // Where the last operation failed; None after a success.
    DeviceFailure lastFailure() const { return failure; }

signals:
    // True when the configured port is present and could be opened (or is held by an
    // operation of this very process), or emulation is on.
    void comConnected(bool bConnected);

public slots:
    // The connection probe; emits comConnected exactly once per call.
    void onSerialListChanged(const QStringList& devList);
    // The second open attempt; only the open wait triggers it.
    void retryOpen();

private slots:
    // Ends an open retry's wait early once cancelAll() has run.
    void onCancelled();

protected:
    // The primitives of the device operations, for an operation that set `busy`.
    bool openPort();
    bool configurePort();
    bool readExact(void* buffer, quint32 length);
    bool writeAll(const void* buffer, int length, bool reportProgress = false);
    bool queryInfoRecord(InfoRecord& record);
    // Closes an open port (if any) and sets portHandle to 0.
    void closePort();
    // Start and end of a device operation: the busy refusal, and the failure text handed on.
    bool beginOperation(QString& error);
    bool endOperation(bool ok, QString& error);
    // Sets lastError and where the operation failed; always false.
    bool fail(DeviceFailure where, const QString& text);
    // True (with the failure set) once cancelAll() has reached this handler.
    bool cancelled();
    // What this handler works with now: its own settings, or the preferences of this moment.
    int portNumber() const;
    bool emulate() const;
    SerialLineState wantedLine() const;

    QString lastError;
    SerialHandle portHandle = 0;
    bool busy = false;
    QEventLoop* waitLoop = nullptr;
    QString portPath;
    // The line settings configurePort applied: they give the pace of the wire.
    SerialLineState lineState;
    // When the last request's last byte has left the line; a reply budget starts there.
    QDeadlineTimer requestOnWire;
    DeviceProgressFn progress;
    DeviceFailure failure = DeviceFailure::None;
    std::optional<LinkSettings> fixedSettings;
    // The port number whose handle this object has registered as open here; 0 for none.
    int registeredPort = 0;
    std::atomic<bool> cancelRequested {false};
};

// The system's message for the calling thread's last error, without line breaks.
QString lastErrorText();

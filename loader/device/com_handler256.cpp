#include "com_handler256.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QTimer>
#include <cstring>

#include "com_port_names.h"
#include "cqt_config_mgr.h"
#include "frame_codec.h"
#include "little_endian.h"
#include "serial_device_enumerator.h"
#include "wire_time.h"

namespace {

constexpr int kRetryDelayMs = 2000;
constexpr qint64 kReadBudgetMs = 1000;
constexpr unsigned kPollIntervalMs = 10;
constexpr unsigned kInfoPauseMs = 10;
constexpr int kWritePiece = 60;
// A write may take its bytes' time on the wire plus this much before it counts as stuck.
constexpr quint32 kWriteMarginMs = 1000;
constexpr unsigned kPurgeAll = kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;

const char* const kAlreadyInProcess = "COM operation is already in process";
const char* const kReadTimeout = "COM port read failed by timeout";

// Every handler of the process, and the ports their operations hold open. cancelAll() reaches
// the handles from another thread through here; a handle leaves the map under the lock before
// it is closed, so an abort never meets a closed handle.
struct OpenPorts
{
    QMutex lock;
    QSet<COMHandler256*> handlers;
    QHash<COMHandler256*, QPair<int, SerialHandle>> open;
};

OpenPorts& openPorts()
{
    static OpenPorts* const ports = new OpenPorts; // never destroyed: handlers may outlive statics
    return *ports;
}

// The emulated switch of "-nodevice": 14 ports in the high nibble of record 0's block.
QList<InfoRecord> emulatedInfoRecords()
{
    static const quint8 kDeadBeef[12] = {0xEF, 0xBE, 0xAD, 0xDE, 0xEF, 0xBE,
                                         0xAD, 0xDE, 0xEF, 0xBE, 0xAD, 0xDE};
    QList<InfoRecord> records;
    for (int i = 0; i < frames::kInfoRecordCount; ++i) {
        InfoRecord r;
        r.index = quint8(i);
        if (i <= 2) {
            r.infoA = 0x0F;
            r.infoB = quint8(i);
            r.infoWord = quint32(10 * (i + 1));
            std::memcpy(r.infoBlock, kDeadBeef, 8);
            r.infoTail = le::get32(kDeadBeef + 8);
        }
        records.append(r);
    }
    return records;
}

} // namespace

QString lastErrorText()
{
    SerialPortApi& api = serialPortApi();
    QString text = api.errorText(api.lastError());
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

COMHandler256::COMHandler256(QObject* parent) : QObject(parent)
{
    {
        QMutexLocker lock(&openPorts().lock);
        openPorts().handlers.insert(this);
    }
    connect(SerialDeviceEnumerator::instance(), SIGNAL(hasChanged(const QStringList&)), this,
            SLOT(onSerialListChanged(const QStringList&)));
}

COMHandler256::COMHandler256(const LinkSettings& settings, QObject* parent)
    : QObject(parent), fixedSettings(settings)
{
    QMutexLocker lock(&openPorts().lock);
    openPorts().handlers.insert(this);
}

COMHandler256::~COMHandler256()
{
    {
        QMutexLocker lock(&openPorts().lock);
        openPorts().handlers.remove(this);
    }
    delete waitLoop;
}

void COMHandler256::cancelAll()
{
    OpenPorts& ports = openPorts();
    QMutexLocker lock(&ports.lock);
    for (COMHandler256* handler : qAsConst(ports.handlers)) {
        handler->cancelRequested = true;
        // Reaches a handler waiting to retry its open on its own thread.
        QMetaObject::invokeMethod(handler, "onCancelled", Qt::QueuedConnection);
    }
    for (const auto& entry : qAsConst(ports.open))
        serialPortApi().abort(entry.second);
}

bool COMHandler256::portOpenHere(int number)
{
    OpenPorts& ports = openPorts();
    QMutexLocker lock(&ports.lock);
    for (const auto& entry : qAsConst(ports.open)) {
        if (entry.first == number)
            return true;
    }
    return false;
}

void COMHandler256::onCancelled()
{
    if (waitLoop && waitLoop->isRunning())
        waitLoop->exit(0);
}

bool COMHandler256::cancelled()
{
    if (!cancelRequested)
        return false;
    fail(DeviceFailure::Cancelled, QStringLiteral("The operation was cancelled"));
    return true;
}

int COMHandler256::portNumber() const
{
    return fixedSettings ? fixedSettings->portNumber : g_configMgr.deviceCom();
}

bool COMHandler256::emulate() const
{
    return fixedSettings ? fixedSettings->emulate : g_configMgr.emulateDevice();
}

SerialLineState COMHandler256::wantedLine() const
{
    return fixedSettings ? fixedSettings->line : linkSettingsFromPreferences().line;
}

void COMHandler256::checkConnection()
{
    onSerialListChanged(SerialDeviceEnumerator::instance()->portNames());
}

void COMHandler256::onSerialListChanged(const QStringList& devList)
{
    if (emulate()) {
        emit comConnected(true);
        return;
    }
    const int number = portNumber();
    if (number < 1 || !devList.contains(comPortName(number), Qt::CaseSensitive)) {
        emit comConnected(false);
        return;
    }
    // A load of this program holds the port right now: it is present and ours to use, and an
    // open here would only fail against our own lock.
    if (portOpenHere(number)) {
        emit comConnected(true);
        return;
    }
    // Present is not enough: a port held by another program is no use to us.
    SerialPortApi& api = serialPortApi();
    const SerialHandle probe = api.open(comDevicePath(number));
    if (probe == kInvalidSerialHandle) {
        emit comConnected(false);
        return;
    }
    api.close(probe);
    emit comConnected(true);
}

bool COMHandler256::openPort()
{
    const int number = portNumber();
    if (cancelled())
        return false;
    if (number < 1)
        return fail(DeviceFailure::PortNumber, QStringLiteral("Device port number is invalid"));
    const QString path = comDevicePath(number);
    portHandle = serialPortApi().open(path);
    if (portHandle == kInvalidSerialHandle) {
        // Another program (or a closing one) may hold the port for a moment: wait once,
        // keeping the window alive, and try again. A loop still running for an earlier wait
        // is never reused; `busy` keeps a second operation of this object out anyway.
        delete waitLoop;
        waitLoop = new QEventLoop;
        portPath = path;
        QTimer::singleShot(kRetryDelayMs, this, SLOT(retryOpen()));
        waitLoop->exec(QEventLoop::AllEvents);
    }
    if (portHandle == kInvalidSerialHandle) {
        portHandle = 0;
        if (cancelled())
            return false;
        return fail(DeviceFailure::Open, lastErrorText());
    }
    {
        QMutexLocker lock(&openPorts().lock);
        openPorts().open.insert(this, {number, portHandle});
        registeredPort = number;
    }
    // A cancel that came before the registration could not abort this handle.
    if (cancelled()) {
        closePort();
        return false;
    }
    return true;
}

void COMHandler256::retryOpen()
{
    // The wait may have ended without us (the application quitting leaves every loop): an
    // open now would land in a handle nobody closes.
    if (!waitLoop || !waitLoop->isRunning())
        return;
    portHandle = serialPortApi().open(portPath);
    waitLoop->exit(0);
}

bool COMHandler256::configurePort()
{
    if (portHandle == 0)
        return fail(DeviceFailure::Configure, QStringLiteral("Port handle is invalid"));
    SerialPortApi& api = serialPortApi();
    SerialLineState original;
    if (!api.getLineState(portHandle, original))
        return fail(DeviceFailure::Configure,
                    QStringLiteral("Cannot get COMMSTATE, error : %1").arg(lastErrorText()));
    // Only the eight fields the program owns change; the struct holds no others here, and a
    // platform keeps the rest of its own record as the driver reported it.
    const SerialLineState wanted = wantedLine();
    if (!api.setLineState(portHandle, wanted))
        return fail(DeviceFailure::Configure,
                    QStringLiteral("Cannot set COMMSTATE, error : %1").arg(lastErrorText()));

    SerialTimeouts timeouts;
    if (!api.getTimeouts(portHandle, timeouts)) {
        // Take the text first: putting the settings back may overwrite the error code.
        const QString reason = lastErrorText();
        api.setLineState(portHandle, original);
        return fail(DeviceFailure::Configure,
                    QStringLiteral("Cannot GET COMMTIMEOUTS, error : %1").arg(reason));
    }
    timeouts.readIntervalTimeout = 5000;
    timeouts.readTotalTimeoutMultiplier = 1;
    timeouts.readTotalTimeoutConstant = 5000;
    // Without a bound a write held up by the line (CTS low, a stalled adapter) would freeze
    // the window for good.
    timeouts.writeTotalTimeoutMultiplier = wireMsPerByte(wanted);
    timeouts.writeTotalTimeoutConstant = kWriteMarginMs;
    if (!api.setTimeouts(portHandle, timeouts)) {
        const QString reason = lastErrorText();
        api.setLineState(portHandle, original);
        return fail(DeviceFailure::Configure,
                    QStringLiteral("Cannot SET COMMTIMEOUTS, error : %1").arg(reason));
    }
    lineState = wanted;
    return true;
}

bool COMHandler256::readExact(void* buffer, quint32 length)
{
    SerialPortApi& api = serialPortApi();
    QElapsedTimer timer;
    timer.start();
    // The switch cannot answer before the request's last byte has reached it: the budget
    // starts there.
    const qint64 budgetMs = kReadBudgetMs + qMax<qint64>(0, requestOnWire.remainingTime());
    for (;;) {
        quint32 waiting = 0;
        // A failing query simply reports nothing waiting; the time-out then speaks.
        if (!api.inputQueueCount(portHandle, waiting))
            waiting = 0;
        if (waiting >= length)
            break;
        if (cancelled())
            return false;
        // Nothing more can come from a line whose other end is gone: no point in waiting.
        if (api.hungUp(portHandle)) {
            api.purge(portHandle, kPurgeAll);
            return fail(DeviceFailure::HangUp, QLatin1String(kReadTimeout));
        }
        api.sleepMs(kPollIntervalMs);
        if (timer.elapsed() > budgetMs) {
            api.purge(portHandle, kPurgeAll);
            return fail(DeviceFailure::Read, QLatin1String(kReadTimeout));
        }
    }
    quint32 got = 0;
    if (!api.read(portHandle, buffer, length, got)) {
        const QString reason = lastErrorText();
        api.purge(portHandle, kPurgeAll);
        return fail(DeviceFailure::Read,
                    QStringLiteral("COM port read failed with error : %1").arg(reason));
    }
    if (got != length) {
        api.purge(portHandle, kPurgeAll);
        return fail(DeviceFailure::Read, QLatin1String(kReadTimeout));
    }
    return true;
}

bool COMHandler256::writeAll(const void* buffer, int length, bool reportProgress)
{
    SerialPortApi& api = serialPortApi();
    const auto* bytes = static_cast<const quint8*>(buffer);
    // The last byte leaves the line no earlier than the bytes' own time on the wire after the
    // first was handed over, whatever the driver reports (a pseudo-terminal or a USB adapter
    // takes everything at once).
    const qint64 wireNs = qint64(wireTimeUs(lineState, quint64(qMax(length, 0)))) * 1000;
    QDeadlineTimer onWire(Qt::PreciseTimer);
    onWire.setPreciseRemainingTime(0, wireNs, Qt::PreciseTimer);
    // What a caller is told has been written is what has left the line by now.
    const auto onLine = [&](int handed) {
        const qint64 leftNs = qMax<qint64>(0, onWire.remainingTimeNSecs());
        const qint64 sent = wireNs > 0 ? qint64(length) * (wireNs - leftNs) / wireNs : length;
        return int(qMin<qint64>(handed, sent));
    };
    // Every write starts from nothing on the line, told once; later reports only when it grew.
    int shown = 0;
    if (reportProgress && progress)
        progress({DeviceProgress::Writing, shown, length});
    // Small pieces, each in its own call: the switch's receive buffer is small.
    for (int offset = 0; offset < length;) {
        if (cancelled())
            return false;
        const quint32 piece = quint32(qMin(length - offset, kWritePiece));
        quint32 written = 0;
        if (!api.write(portHandle, bytes + offset, piece, written) || written != piece) {
            if (cancelled())
                return false;
            return fail(DeviceFailure::Write,
                        QStringLiteral("Write failed with error : %1").arg(lastErrorText()));
        }
        offset += int(piece);
        if (reportProgress && progress && onLine(offset) != shown)
            progress({DeviceProgress::Writing, shown = onLine(offset), length});
    }
    requestOnWire = onWire;
    if (!reportProgress)
        return true;
    // The driver may have taken the whole frame at once (a USB adapter, a pseudo-terminal):
    // follow the frame on the line until its last byte is out, so that whoever shows progress
    // says "waiting for the answer" only when the switch can have the whole frame.
    while (!onWire.hasExpired()) {
        if (cancelled())
            return false;
        api.sleepMs(unsigned(qBound<qint64>(1, onWire.remainingTime(), kPollIntervalMs)));
        const int now = onLine(length);
        if (progress && now != shown)
            progress({DeviceProgress::Writing, shown = now, length});
    }
    if (progress)
        progress({DeviceProgress::Writing, length, length});
    return true;
}

void COMHandler256::closePort()
{
    if (registeredPort) {
        QMutexLocker lock(&openPorts().lock);
        openPorts().open.remove(this);
        registeredPort = 0;
    }
    if (portHandle != 0 && portHandle != kInvalidSerialHandle)
        serialPortApi().close(portHandle);
    portHandle = 0;
}

bool COMHandler256::queryInfoRecord(InfoRecord& record)
{
    quint8 request[frames::kInfoFrameSize];
    frames::encodeInfoRequest(record.index, request);
    if (!writeAll(request, int(sizeof request)))
        return false;

    serialPortApi().sleepMs(kInfoPauseMs);

    // The rest of a long reply goes to its own offsets, so buffer offsets equal reply offsets.
    quint8 reply[frames::kInfoFrameSize] = {};
    if (!readExact(reply, frames::kReplyHeadSize))
        return false;
    switch (frames::replyKind(reply)) {
    case frames::ReplyKind::Short:
        record.status = reply[1];
        return true;
    case frames::ReplyKind::BadMagic:
        return fail(DeviceFailure::Reply, QString::fromLatin1(frames::decodeFailureText(
                                              frames::DecodeStatus::InfoBadMagic)));
    case frames::ReplyKind::Long:
        break;
    }
    record.status = 0;
    if (!readExact(reply + frames::kReplyHeadSize, sizeof reply - frames::kReplyHeadSize))
        return false;
    frames::InfoData data;
    quint16 length = 0;
    const frames::DecodeStatus status = frames::decodeInfoReply(reply, data, length);
    if (status != frames::DecodeStatus::Ok)
        return fail(DeviceFailure::Reply, QString::fromLatin1(frames::decodeFailureText(status))
                                              .arg(frames::kInfoDataLength)
                                              .arg(length));
    record.infoA = data.infoA;
    record.infoB = data.infoB;
    record.infoWord = data.infoWord;
    std::memcpy(record.infoBlock, data.infoBlock, sizeof record.infoBlock);
    record.infoTail = data.infoTail;
    return true;
}

bool COMHandler256::beginOperation(QString& error)
{
    // Only an event handled during the open retry's wait can get here while busy.
    if (busy) {
        error = QString::fromLatin1(kAlreadyInProcess);
        return false;
    }
    busy = true;
    lastError.clear();
    failure = DeviceFailure::None;
    portHandle = 0;
    return true;
}

bool COMHandler256::fail(DeviceFailure where, const QString& text)
{
    failure = where;
    lastError = text;
    return false;
}

bool COMHandler256::endOperation(bool ok, QString& error)
{
    if (!ok)
        error = lastError;
    busy = false;
    return ok;
}

bool COMHandler256::getInfo(QList<InfoRecord>& list, QString& error)
{
    if (emulate()) {
        list.append(emulatedInfoRecords());
        return true;
    }
    if (!beginOperation(error))
        return false;

    bool ok = openPort();
    if (ok) {
        ok = configurePort();
        for (int index = 0; ok && index < frames::kInfoRecordCount; ++index) {
            InfoRecord record;
            record.index = quint8(index);
            ok = queryInfoRecord(record);
            if (ok) {
                list.append(record);
                if (progress)
                    progress({DeviceProgress::InfoRecords, index + 1, frames::kInfoRecordCount});
            }
        }
        closePort();
    }
    return endOperation(ok, error);
}

bool COMHandler256::prodSetData(ProdDataRequest& request, QString& error)
{
    if (!beginOperation(error))
        return false;

    const int payloadSize = request.payload.size();
    QByteArray frame(int(frames::kProdHeadSize) + payloadSize, '\0');
    if (!frames::encodeProdSetData(request.index, request.kind, request.param,
                                   reinterpret_cast<const quint8*>(request.payload.constData()),
                                   size_t(payloadSize), reinterpret_cast<quint8*>(frame.data()))) {
        fail(DeviceFailure::Payload, QString::fromLatin1(frames::kPayloadTooLargeText)
                                         .arg(frames::kProdMaxPayload)
                                         .arg(payloadSize));
        return endOperation(false, error);
    }

    bool ok = openPort();
    if (ok) {
        // writeAll with progress returns once the frame's last byte has left the line.
        ok = configurePort() && writeAll(frame.constData(), frame.size(), true);
        quint8 reply[frames::kReplyHeadSize] = {};
        if (ok && progress)
            progress({DeviceProgress::AwaitingAnswer, 0, 0});
        if (ok)
            ok = readExact(reply, sizeof reply);
        quint8 status = 0;
        if (ok && frames::decodeProdReply(reply, status) != frames::DecodeStatus::Ok)
            ok = fail(DeviceFailure::Reply, QString::fromLatin1(frames::decodeFailureText(
                                                frames::DecodeStatus::ProdBadMagic)));
        if (ok && status != frames::kStatusNotStored)
            request.status = status;
        closePort();
    }
    return endOperation(ok, error);
}

#include "ctl_common.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "com_port_names.h"
#include "load_flow.h"

namespace {

const char* exitCodeMeaning(int code)
{
    switch (code) {
    case kExitOk: return "done (load: every switch loaded)";
    case kExitConverterRefused: return "the converter refused the file";
    case kExitUsage: return "usage error";
    case kExitTransport: return "port or transport failure";
    case kExitWrongPortCount: return "the switch has another number of ports than the file";
    case kExitSwitchRefused: return "the switch refused or did not answer the write";
    case kExitOutput: return "the output could not be written";
    }
    return "";
}

} // namespace

const QList<int> kAllExitCodes = {kExitOk,           kExitConverterRefused, kExitUsage, kExitTransport,
                                  kExitWrongPortCount, kExitSwitchRefused,  kExitOutput};

QString exitCodeHelp(const QList<int>& codes)
{
    QString text = QStringLiteral("Exit codes:\n");
    for (int code : codes)
        text += QStringLiteral("  %1  %2\n").arg(code).arg(QLatin1String(exitCodeMeaning(code)));
    if (codes.contains(kExitSwitchRefused)) // a command that writes to switches stops them on a signal
        text += QStringLiteral("  128+n  stopped by signal n (130: Ctrl-C); unsent output was dropped\n");
    return text;
}

Command::Command(const QString& usageLine, const QString& description, const QList<int>& exits)
    : usage(usageLine), exitCodes(exits)
{
    parser.setApplicationDescription(description);
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")});
}

void Command::addFile()
{
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The KMC file."));
    positionals = 1;
}

void Command::addJson()
{
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
}

void Command::addPorts()
{
    parser.addOption({QStringLiteral("ports"),
                      QStringLiteral("The switch's number of ports, %1 to %2 (default: the file's own).")
                          .arg(kFewestPorts)
                          .arg(kMostPorts),
                      QStringLiteral("N")});
    wantsPortCount = true;
}

void Command::addPort(const QString& help)
{
    parser.addOption({QStringLiteral("port"), help, QStringLiteral("COMn")});
    wantsPort = true;
}

bool Command::parse(const QStringList& arguments, int& exit)
{
    if (!parser.parse(QStringList {QStringLiteral("trevikctl")} + arguments)) {
        exit = usageError(parser.errorText());
        return false;
    }
    if (isSet("help")) {
        QString text = parser.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: [^\n]*")), QStringLiteral("Usage: ") + usage);
        std::fputs(qPrintable(text + QLatin1Char('\n') + exitCodeHelp(exitCodes)), stdout);
        exit = kExitOk;
        return false;
    }
    const QStringList given = parser.positionalArguments();
    if (given.size() < positionals) {
        exit = usageError(QStringLiteral("the KMC file is missing"));
        return false;
    }
    if (given.size() > positionals) {
        exit = usageError(QStringLiteral("unexpected argument '%1'").arg(shown(bytesOf(given.value(positionals)))));
        return false;
    }
    if (wantsPort) {
        const QStringList ports = parser.values(QStringLiteral("port"));
        if (ports.isEmpty()) {
            exit = usageError(QStringLiteral("--port is missing: name the switch's port, such as COM7"));
            return false;
        }
        for (const QString& port : ports) {
            const unsigned int number = portNumberOf(port);
            if (number == 0) {
                exit = usageError(QStringLiteral("--port %1: give a port from COM%2 to COM%3")
                                      .arg(port)
                                      .arg(kLowestCom)
                                      .arg(kHighestCom));
                return false;
            }
            if (portNumbers.contains(number)) {
                exit = usageError(QStringLiteral("--port %1 is given twice: one load per switch").arg(comPortName(int(number))));
                return false;
            }
            portNumbers << number;
        }
    }
    if (wantsPortCount) {
        if (isSet("ports")) {
            bool numeric = false;
            const int count = value("ports").toInt(&numeric);
            if (!numeric || count < kFewestPorts || count > kMostPorts) {
                exit = usageError(QStringLiteral("--ports %1: give a number from %2 to %3")
                                      .arg(value("ports"))
                                      .arg(kFewestPorts)
                                      .arg(kMostPorts));
                return false;
            }
            portCount = count;
        } else {
            portCount = fileOwnPortCount(file());
        }
    }
    return true;
}

int Command::usageError(const QString& what) const
{
    printError(what + QStringLiteral("\nUsage: ") + usage + QStringLiteral("\n(trevikctl ")
               + usage.section(QLatin1Char(' '), 1, 1) + QStringLiteral(" --help tells more)"));
    return kExitUsage;
}

QStringList commandLineArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    return arguments;
}

QString shown(const QByteArray& path)
{
    return QString::fromLocal8Bit(path);
}

unsigned int portNumberOf(const QString& text)
{
    unsigned int number = 0;
    bool digits = false;
    const unsigned int plain = text.toUInt(&digits);
    if (digits)
        number = plain;
    else if (!parseComPortName(text, number))
        return 0;
    return number >= kLowestCom && number <= kHighestCom ? number : 0;
}

QString libraryFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString unreadable(const QByteArray& path)
{
    // The same narrow open as the library's, so the reason is the one it met.
    std::FILE* file = std::fopen(path.constData(), "rb");
    if (file) {
        std::fclose(file);
        return QString();
    }
    const int error = errno;
    return QStringLiteral("%1: %2").arg(shown(path), QString::fromLocal8Bit(std::strerror(error)));
}

std::optional<int> fileOwnPortCount(const QByteArray& path)
{
    if (!unreadable(path).isEmpty())
        return std::nullopt;
    const QRegularExpression named(QStringLiteral("^Different numbers of ports: in file \\((-?\\d+)\\)"));
    QString message;
    if (convertOnly(libraryFolder(), path, 1, message) == 0)
        return 1;
    QRegularExpressionMatch m = named.match(message);
    if (m.hasMatch())
        return m.captured(1).toInt();
    // The library stopped without naming a count: either the file says 1 and fails later, or it
    // stopped before its count. Asking for 2 tells the two apart.
    m = named.match(convertOnly(libraryFolder(), path, 2, message) == 0 ? QString() : message);
    if (m.hasMatch())
        return m.captured(1).toInt();
    return std::nullopt;
}

int overallExit(const QList<int>& codes)
{
    static const int kRank[] = {kExitTransport, kExitSwitchRefused, kExitWrongPortCount, kExitConverterRefused};
    for (int code : kRank) {
        if (codes.contains(code))
            return code;
    }
    return codes.isEmpty() ? kExitOk : *std::max_element(codes.begin(), codes.end());
}

void printJson(const QJsonValue& value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    std::fputs(document.toJson(QJsonDocument::Indented).constData(), stdout);
}

void printLine(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

void printError(const QString& text)
{
    std::fputs(qPrintable(QStringLiteral("trevikctl: ") + text + QLatin1Char('\n')), stderr);
}

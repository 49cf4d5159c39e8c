#include "ctl_common.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdio>

#include "com_port_names.h"
#include "load_flow.h"

const char* const kExitCodeHelp =
    "Exit codes:\n"
    "  0  all loaded (other subcommands: done)\n"
    "  1  the converter refused the file\n"
    "  2  usage error\n"
    "  3  port or transport failure\n"
    "  4  the switch has another number of ports than the file\n"
    "  5  the switch refused or did not answer the write\n"
    "  6  the output could not be written\n";

Command::Command(const QString& usageLine, const QString& description) : usage(usageLine)
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
    parser.addOption({QStringLiteral("ports"), QStringLiteral("The switch's number of ports (default: the file's own)."),
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
        std::fputs(qPrintable(text + QLatin1Char('\n') + QLatin1String(kExitCodeHelp)), stdout);
        exit = kExitOk;
        return false;
    }
    if (parser.positionalArguments().size() != positionals) {
        exit = usageError(QString());
        return false;
    }
    if (wantsPortCount) {
        bool numeric = true;
        portCount = isSet("ports") ? value("ports").toInt(&numeric) : fileOwnPortCount(file());
        if (!numeric) {
            exit = usageError(QStringLiteral("--ports wants a number"));
            return false;
        }
    }
    if (wantsPort) {
        for (const QString& port : parser.values(QStringLiteral("port")))
            portNumbers << portNumberOf(port);
        if (portNumbers.isEmpty() || portNumbers.contains(0u)) {
            exit = usageError(QStringLiteral("--port wants a port such as COM7"));
            return false;
        }
    }
    return true;
}

int Command::usageError(const QString& what) const
{
    printError((what.isEmpty() ? QString() : what + QLatin1Char('\n')) + QStringLiteral("Usage: ") + usage);
    return kExitUsage;
}

unsigned int portNumberOf(const QString& text)
{
    unsigned int number = 0;
    bool digits = false;
    const unsigned int plain = text.toUInt(&digits);
    if (digits)
        return plain;
    return parseComPortName(text, number) ? number : 0;
}

QString libraryFolder()
{
    return QCoreApplication::applicationDirPath();
}

int fileOwnPortCount(const QString& path)
{
    QString message;
    convertOnly(libraryFolder(), path, 1, message);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Different numbers of ports: in file \\((-?\\d+)\\)")).match(message);
    return m.hasMatch() ? m.captured(1).toInt() : 1;
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

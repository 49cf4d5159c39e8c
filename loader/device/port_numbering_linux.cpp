#include "port_numbering_linux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include "com_port_names.h"
#include "pinned_ports_folder_posix.h"

namespace {

struct Family
{
    const char* prefix;
    unsigned int firstNumber;
};

// Fixed blocks of 32 so that a number never shifts when another device comes or goes.
const Family kFamilies[] = {
    {"ttyS", 1}, {"ttyUSB", 33}, {"ttyACM", 65}, {"ttyAMA", 97}, {"rfcomm", 129},
};
constexpr unsigned int kFamilySize = 32;

} // namespace

unsigned int automaticComNumber(const QString& kernelName)
{
    for (const Family& f : kFamilies) {
        const QLatin1String prefix(f.prefix);
        if (!kernelName.startsWith(prefix))
            continue;
        const QString digits = kernelName.mid(prefix.size());
        if (digits.isEmpty() || digits.size() > 2)
            return 0;
        unsigned int k = 0;
        for (QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return 0;
            k = k * 10 + static_cast<unsigned>(c.unicode() - '0');
        }
        // "ttyS01" is not a kernel name; refuse it rather than alias ttyS1.
        if (digits.size() == 2 && digits.at(0) == QLatin1Char('0'))
            return 0;
        return k < kFamilySize ? f.firstNumber + k : 0;
    }
    return 0;
}

QString automaticDeviceNode(unsigned int number)
{
    for (const Family& f : kFamilies) {
        if (number >= f.firstNumber && number < f.firstNumber + kFamilySize)
            return QStringLiteral("/dev/%1%2").arg(QLatin1String(f.prefix)).arg(number - f.firstNumber);
    }
    return QString();
}

QList<QLatin1String> automaticNamePrefixes()
{
    QList<QLatin1String> prefixes;
    for (const Family& f : kFamilies)
        prefixes << QLatin1String(f.prefix);
    return prefixes;
}

QString pinnedPortsFolder()
{
    return QFile::decodeName(QByteArray::fromStdString(pinnedPortsFolderPath()));
}

QList<PinnedPort> pinnedPorts(const QString& folder)
{
    QMap<unsigned int, PinnedPort> byNumber;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        unsigned int number = 0;
        if (!parseComPortName(name, number) || number == 0 || byNumber.contains(number))
            continue;
        PinnedPort p;
        p.number = number;
        p.entryPath = dir.filePath(name);
        const QFileInfo info(p.entryPath);
        p.target = info.isSymLink() ? info.symLinkTarget() : p.entryPath;
        byNumber.insert(number, p);
    }
    return byNumber.values();
}

QString portEntryPath(unsigned int number, bool* pinned)
{
    if (pinned)
        *pinned = false;
    if (number == 0)
        return QString();
    for (const PinnedPort& p : pinnedPorts(pinnedPortsFolder())) {
        if (p.number == number) {
            if (pinned)
                *pinned = true;
            return p.entryPath;
        }
    }
    return automaticDeviceNode(number);
}

#include "com_port_names.h"

#include <limits>

namespace {
const QString kDevicePrefix = QStringLiteral("\\\\.\\");
}

QString comPortName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

QString comDevicePath(int number)
{
    // Windows opens COM1..COM9 by their plain names only; from COM10 on it needs the device
    // namespace prefix.
    if (number >= 10)
        return kDevicePrefix + comPortName(number);
    return comPortName(number);
}

bool parseComPortName(const QString& name, unsigned int& number)
{
    if (name.size() <= 3 || !name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return false;
    quint64 value = 0;
    for (int i = 3; i < name.size(); ++i) {
        const QChar c = name.at(i);
        // QChar::isDigit would also take other scripts' digits; the rule is ASCII only.
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + static_cast<unsigned>(c.unicode() - '0');
        if (value > std::numeric_limits<unsigned int>::max())
            return false;
    }
    number = static_cast<unsigned int>(value);
    return true;
}

unsigned int comNumberFromDevicePath(const QString& devicePath)
{
    QString name = devicePath;
    if (name.startsWith(kDevicePrefix))
        name = name.mid(kDevicePrefix.size());
    unsigned int number = 0;
    if (!parseComPortName(name, number))
        return 0;
    return number;
}

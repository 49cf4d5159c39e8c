#include "browse_folder.h"

#include <QFileInfo>

QString browseStartFolder(const QStringList& desktopLocations, const QString& strHomeFolder)
{
    for (const QString& strFolder : desktopLocations + QStringList{strHomeFolder}) {
        if (!strFolder.isEmpty() && QFileInfo(strFolder).isDir())
            return strFolder;
    }
    return QString();
}

#ifndef TREVIK_BROWSE_FOLDER_H
#define TREVIK_BROWSE_FOLDER_H

#include <QString>
#include <QStringList>

// The folder the Browse dialog opens in: the first of the desktop locations that exists as a
// folder, else the home folder when it exists, else an empty text (the dialog's own choice).
// Never a path that is missing or a file: the dialog would open its parent and type the last
// part of the path into its file-name box.
QString browseStartFolder(const QStringList& desktopLocations, const QString& strHomeFolder);

#endif

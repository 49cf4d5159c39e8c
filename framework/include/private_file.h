#pragma once
// Platform service: creating a file of one's own in a folder that others may write to.

#include <QString>

class QFile;

// Opens strPath for writing as a new file that only its owner can read or write. Fails when
// anything already has that name, a link included (a link is never followed); *pbTaken is set
// for that case, so the caller can tell it from a folder that cannot be written.
bool openNewPrivateFile(QFile &file, const QString &strPath, bool *pbTaken);

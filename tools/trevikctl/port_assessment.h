#pragma once
// What stands behind a port's entry and what the user can do about it, for `trevikctl ports`.
// examinePortTarget() looks at the entry (following links) without opening it, since opening a
// real port raises its modem lines and may disturb whatever uses it. accessAdvice() words the
// advice for a serial device this user cannot open, naming a group to join only when that
// group may both read and write the device and is not root's.

#include <QString>
#include <sys/stat.h>
#include <sys/types.h>

struct PortTarget
{
    enum Kind { Missing, Terminal, OtherCharacterDevice, RegularFile, Folder, BlockDevice, Pipe, Socket };
    Kind kind = Missing;
    struct stat st {}; // of the device the entry leads to; zero when missing
    // True for a terminal: something a switch can answer on. A character device whose kind
    // the system cannot tell counts as one, since refusing a real adapter would be worse.
    bool serial() const { return kind == Terminal; }
    // "tty", "regular file", "folder", "character device, not a terminal", ...
    QString kindText() const;
};

PortTarget examinePortTarget(const QString& path);

// The group worth joining to open the device `st` describes: its group when that group may
// read and write it and is not root's; -1 when no group would help.
long joinableGroup(const struct stat& st);

// Advice for `name` (its device `device`, described by `st`) that this user cannot open.
// `alreadyMember` says the user is in the device's group in the group database, so only the
// running session lacks it.
QString accessAdvice(const QString& name, const QString& device, const struct stat& st, bool alreadyMember);

// Whether this user is a member of `gid` in the group database.
bool userInGroupDatabase(gid_t gid);

// The name of a group, else its number.
QString groupName(gid_t gid);

// Writing a tool's output (an image, a picture) to the name an operator gave, without ever
// changing what kind of thing sits at that name or leaving half a file behind.
//
// What happens, by what the name is:
//   "-"                 standard output: the bytes are written into it as they are.
//   a new name, or      the bytes go to a new temporary file in the same folder, reach the disk
//   a regular file      and only then are renamed over the name, so the name holds either the
//                       old file, untouched, or the whole new one. A new file gets what a plain
//                       create gives it (0666 under the umask and the folder's defaults); an
//                       existing one keeps its permission bits and, where the system allows,
//                       its owner and group. A regular file we may not write is refused, as a
//                       plain write would be, although the folder would let us replace it.
//   a symbolic link     the file it finally leads to is written by the rules here (replaced
//                       when it is a regular file, written into when it is a device); the
//                       links stay as they are. A dangling link gets its final file created.
//   a character or      written into, as it is: opened without creating or truncating, so
//   block device,       /dev/stdout, /dev/null and a terminal work. A FIFO nobody reads is
//   a FIFO              refused at once rather than waited for.
//   a folder, socket    refused.
//
// On failure nothing changed at the name: no temporary file remains and an existing file is as
// it was (what already went into a device or FIFO cannot be taken back). The reason is the
// system's own text ("No space left on device", "Permission denied") or one of ours for a kind
// of target we refuse. Interrupted and partial writes are carried on until every byte is out.
//
// A reader of a pipe or FIFO that goes away mid-write ends the program by SIGPIPE, as for any
// filter; a program that ignores SIGPIPE gets "Broken pipe" instead.
//
// On Windows, names are UTF-8. Devices (NUL, CON, COMn) and pipes are written into; a file is
// replaced through a temporary file with MoveFileEx and takes the folder's inherited permissions;
// a link is followed to its final file, and a link that leads nowhere is refused.
#ifndef TREVIK_OUTPUT_FILE_H
#define TREVIK_OUTPUT_FILE_H

#include <cstddef>
#include <string>

// The name that stands for standard output.
constexpr char kStandardOutputName[] = "-";

// Writes `size` bytes at `data` to `target` by the rules above. False with `reason` set when
// the bytes could not all be written.
bool writeOutputFile(const std::string &target, const void *data, std::size_t size, std::string &reason);

#endif

// What the converter tests need from the platform they run on: a count of the files the
// process holds open, and the one message that differs by platform.
#ifndef KMC_TEST_PLATFORM_H
#define KMC_TEST_PLATFORM_H

#include <string>

namespace kmctest {

// Files (descriptors on POSIX, handles on Windows) the process holds open right now.
long openFileCount();

// convert_d's message for the path of a folder: POSIX opens a folder and fails on its first
// read; Windows refuses to open it at all.
extern const char *const kFolderPathMessage;

}  // namespace kmctest

#endif

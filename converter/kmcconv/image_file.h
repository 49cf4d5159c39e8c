// kmcconv's image file: written whole or not at all.
#ifndef KMCCONV_IMAGE_FILE_H
#define KMCCONV_IMAGE_FILE_H

#include <string>

// Writes the image to path (a narrow path, as the command line gave it) through a temporary file
// beside it that is then renamed into place, so an existing image is never left half-written
// and nothing planted in the folder can redirect the write. Answers false with the system's
// reason in `error`; the temporary file is then gone.
bool writeImageFile(const std::string &path, const unsigned char *image, int size, std::string &error);

#endif

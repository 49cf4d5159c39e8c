// Prints a configuration image as readable tables.
#ifndef KMCCONV_IMAGE_DUMP_H
#define KMCCONV_IMAGE_DUMP_H

#include <cstdio>

// `image` must hold the full 920 bytes.
void dumpImage(const unsigned char *image, std::FILE *out);

#endif

/*
 * zentrix: converts a KMC configuration file into the 920-byte configuration image of a
 * multi-port keyboard-and-mouse switch.
 *
 * The library keeps all its state in static storage and allocates nothing: calls must not
 * overlap, and each call of convert_d overwrites the image of the previous one.
 */
#ifndef ZENTRIX_H
#define ZENTRIX_H

/* Exported when the library is built, imported by a caller that links it (a caller of the
 * static twin defines ZENTRIX_STATIC). */
#if defined(_WIN32) && !defined(ZENTRIX_STATIC)
#if defined(ZENTRIX_BUILDING)
#define ZENTRIX_API __declspec(dllexport)
#else
#define ZENTRIX_API __declspec(dllimport)
#endif
#elif defined(ZENTRIX_BUILDING)
#define ZENTRIX_API __attribute__((visibility("default")))
#else
#define ZENTRIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Converts the KMC file at `path` for a switch with `ports` ports (1..8).
 *
 * `path` is opened as given, without any change of encoding. One zero-terminated message is
 * written into `message`, truncated to `messageSize` characters including the terminator;
 * a `messageSize` of 0 or less writes nothing. 80 characters hold every message.
 *
 * Result:
 *   0       success: message "Converted"; *image receives the address of the 920-byte image
 *           and *imageSize 920. The image stays valid until the next call starts or the
 *           library is unloaded; every successful call hands out the same address.
 *   1       refused by the port check, the file opening or the parser; the message says why.
 *   16..116 refused by the image builder; the message is
 *           "Could not convert data: error #N" with N = result - 15.
 * On any result but 0, *image and *imageSize are left exactly as they were.
 */
ZENTRIX_API int convert_d(int ports, const char *path, char *message, int messageSize,
                          unsigned char **image, int *imageSize);

/* Stores 2, 2 and 101 through the three pointers, in that order. */
ZENTRIX_API void get_version(int *first, int *second, int *third);

#ifdef __cplusplus
}
#endif

/* The signature of convert_d, for callers that look it up at run time. */
typedef int (*zentrix_convert_fn)(int, const char *, char *, int, unsigned char **, int *);

#endif

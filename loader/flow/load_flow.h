#pragma once
// One load of a KMC file into a switch, step for step, for every front end (the window shows
// the outcome in a message box, the command line prints it): load the conversion library from
// the program's folder, convert, ask the switch for its information records, refuse a file
// made for another port count, and write the image while the library still holds it.
//
// The steps that talk to the switch block their thread for seconds on a slow line; a front end
// runs them through DeviceCall (device_call.h) so that its own thread stays free.

#include <QByteArray>
#include <QString>
#include <optional>

#include "com_handler256.h"
#include "conversion_library.h"

struct LoadResult
{
    // Where the load ended; Loaded when the switch took the image.
    enum Step { Library, Procedure, Conversion, Info, PortCount, Write, Loaded };
    Step step = Library;
    bool information = false; // the outcome is good news (only Loaded)
    QString title;            // the message box's title
    QString text;             // its text
    int converterResult = -1; // convert_d's result, once it ran
    int switchPorts = -1;     // the switch's port count, once GET_INFO ran
    DeviceFailure failure = DeviceFailure::None; // where the device link stopped
};

// The image convert_d made, inside the library that made it: valid while that library stays
// loaded and convert_d is not called again.
struct ConvertedImage
{
    unsigned char* data = nullptr;
    int size = 0;
    QByteArray copy() const { return QByteArray(reinterpret_cast<const char*>(data), size); }
};

// Paths go to convert_d as bytes, unchanged: the window hands its text as UTF-8, the command
// line the bytes it was given (a file name need not be valid UTF-8).
//
// Loads the library from `libraryFolder` into `library` and converts `path` for `ports`.
// Empty with the image when converted. Otherwise the outcome that ends the load; the library
// is then still loaded when convert_d ran (its refusal is shown while it is loaded) and
// already released when it could not be loaded or has no convert_d.
std::optional<LoadResult> convertForLoad(ConversionLibrary& library, const QString& libraryFolder,
                                         const QByteArray& path, int ports, ConvertedImage& image);

// GET_INFO through `handler`, then the port-count check. Empty when the switch has `ports`
// ports; otherwise the outcome that ends the load. `switchPorts` gets the switch's count
// once GET_INFO succeeded.
std::optional<LoadResult> checkSwitch(COMHandler256& handler, int ports, int& switchPorts);

// The port-count refusal, for a switch that reported `actual` ports.
LoadResult wrongPortCount(int ports, int actual);

// The write step through a handler of its own on `settings`' port: the image goes into a
// PROD_SET_DATA request (a copy) and the switch's answer decides the outcome.
LoadResult writeImage(const LinkSettings& settings, const unsigned char* image, int size,
                      const DeviceProgressFn& progress = {});

// The switch's whole side of a load on `settings`' port: checkSwitch, then writeImage with the
// given image; one thread, no event loop needed but the open retry's own.
LoadResult loadIntoSwitch(const LinkSettings& settings, const QByteArray& image, int ports,
                          const DeviceProgressFn& progress = {});

// Converts only: the library's result (-1 when it could not be loaded or has no convert_d,
// with the outcome's text in `message`) and its message.
int convertOnly(const QString& libraryFolder, const QByteArray& path, int ports, QString& message);

#pragma once
// One load of a KMC file into a switch, step for step, for every front end (the window shows
// the outcome in a message box, the command line prints it): load the conversion library from
// the program's folder, convert, ask the switch for its information records, refuse a file
// made for another port count, and write the image while the library still holds it.

#include <QString>
#include <functional>

#include "com_handler256.h"

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

// The write step: takes the image (owned by the conversion library, valid during the call)
// and tells its own outcome.
using ImageWriter = std::function<LoadResult(unsigned char* image, int size)>;
// Hears an outcome that ends the load before the write, at the moment the window shows its
// box: after the library went when convert_d is missing, while it is still loaded otherwise.
using LoadReport = std::function<void(const LoadResult&)>;

// The steps up to the port-count check with `handler` for GET_INFO, then `write`; gives the
// outcome. The library is loaded from `libraryFolder` for this call only and released before
// it returns.
LoadResult runLoad(const QString& libraryFolder, const QString& path, int ports,
                   COMHandler256& handler, const ImageWriter& write, const LoadReport& report = {});

// The write step through a handler of its own, as the load flow does it.
LoadResult writeImage(unsigned char* image, int size, const DeviceProgressFn& progress = {});

// Converts only: the library's result (-1 when it could not be loaded or has no convert_d,
// with the outcome's text in `message`) and its message.
int convertOnly(const QString& libraryFolder, const QString& path, int ports, QString& message);

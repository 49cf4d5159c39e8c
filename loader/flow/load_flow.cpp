#include "load_flow.h"

#include "conversion_library.h"
#include "device_records.h"

namespace {

const char* const kConverterErrorTitle = "KM Configuration Converter Error";

LoadResult ended(LoadResult::Step step, const QString& title, const QString& text)
{
    LoadResult result;
    result.step = step;
    result.title = title;
    result.text = text;
    return result;
}

// Loads the library and finds convert_d; on failure the result says which step ended it.
zentrix_convert_fn openConverter(ConversionLibrary& library, const QString& libraryFolder, LoadResult& failure)
{
    if (!library.load(conversionLibraryPath(libraryFolder))) {
        failure = ended(LoadResult::Library, QStringLiteral("Trevik Error"),
                        QStringLiteral("Cannot load conversion library"));
        return nullptr;
    }
    const zentrix_convert_fn convert = library.convertProcedure();
    if (!convert) {
        library.unload();
        failure = ended(LoadResult::Procedure, QStringLiteral("Trevik Error"),
                        QStringLiteral("Cannot locate conversion procedure"));
    }
    return convert;
}

} // namespace

LoadResult runLoad(const QString& libraryFolder, const QString& path, int ports,
                   COMHandler256& handler, const ImageWriter& write, const LoadReport& report)
{
    ConversionLibrary library;
    LoadResult result;
    // Reported before the library goes, as the outcome is shown while it is still loaded.
    const auto end = [&](const LoadResult& outcome) {
        if (report)
            report(outcome);
        library.unload();
        return outcome;
    };
    const zentrix_convert_fn convert = openConverter(library, libraryFolder, result);
    if (!convert)
        return end(result);

    // One byte more than the capacity passed, so the message always ends with a zero.
    char message[256] = {};
    unsigned char* image = nullptr;
    int imageSize = 0;
    const QByteArray utf8Path = path.toUtf8();
    const int converted = convert(ports, utf8Path.constData(), message, 255, &image, &imageSize);
    if (converted != 0) {
        result = ended(LoadResult::Conversion, QLatin1String(kConverterErrorTitle), QString::fromLocal8Bit(message));
        result.converterResult = converted;
        return end(result);
    }

    QList<InfoRecord> records;
    QString error;
    if (!handler.getInfo(records, error)) {
        result = ended(LoadResult::Info, QLatin1String(kConverterErrorTitle), error);
        result.converterResult = 0;
        result.failure = handler.lastFailure();
        return end(result);
    }
    // A successful run always holds 32 records; an empty list counts as a switch without
    // ports rather than a read past the end.
    const int actual = records.isEmpty() ? 0 : switchPortCount(records.at(0));
    if (actual != ports) {
        result = ended(LoadResult::PortCount, QLatin1String(kConverterErrorTitle),
                       QStringLiteral("Wrong port configuration.\nConfigured number of ports: ")
                           + QString::number(ports) + QStringLiteral(". Actual number of ports: ")
                           + QString::number(actual) + QStringLiteral("."));
        result.converterResult = 0;
        result.switchPorts = actual;
        return end(result);
    }

    // The image lives in the library: it is sent before the library goes.
    result = write(image, imageSize);
    result.converterResult = 0;
    result.switchPorts = actual;
    library.unload();
    return result;
}

LoadResult writeImage(unsigned char* image, int size, const DeviceProgressFn& progress)
{
    COMHandler256 handler;
    handler.setProgress(progress);
    ProdDataRequest request;
    request.index = kProdDataConfigIndex;
    request.param = kProdDataConfigParam;
    request.size = static_cast<quint32>(size);
    if (image && size > 0)
        request.payload = QByteArray(reinterpret_cast<const char*>(image), size);
    request.kind = kProdDataConfigKind;

    QString error;
    if (handler.prodSetData(request, error)) {
        LoadResult result = ended(LoadResult::Loaded, QStringLiteral("Trevik Tool"),
                                  QStringLiteral("Configuration file has been successfully loaded to device"));
        result.information = true;
        return result;
    }
    LoadResult result = ended(LoadResult::Write, QStringLiteral("Trevik Tool"),
                              QStringLiteral("Configuration file failed to load. Error : %1").arg(error));
    result.failure = handler.lastFailure();
    return result;
}

int convertOnly(const QString& libraryFolder, const QString& path, int ports, QString& message)
{
    ConversionLibrary library;
    LoadResult failure;
    const zentrix_convert_fn convert = openConverter(library, libraryFolder, failure);
    if (!convert) {
        message = failure.text;
        return -1;
    }
    char text[256] = {};
    unsigned char* image = nullptr;
    int imageSize = 0;
    const int result = convert(ports, path.toUtf8().constData(), text, 255, &image, &imageSize);
    message = QString::fromLocal8Bit(text);
    return result;
}

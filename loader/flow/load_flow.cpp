#include "load_flow.h"

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

std::optional<LoadResult> convertForLoad(ConversionLibrary& library, const QString& libraryFolder,
                                         const QByteArray& path, int ports, ConvertedImage& image)
{
    LoadResult failure;
    const zentrix_convert_fn convert = openConverter(library, libraryFolder, failure);
    if (!convert)
        return failure;
    // One byte more than the capacity passed, so the message always ends with a zero.
    char message[256] = {};
    unsigned char* data = nullptr;
    int size = 0;
    const int converted = convert(ports, path.constData(), message, 255, &data, &size);
    if (converted != 0) {
        failure = ended(LoadResult::Conversion, QLatin1String(kConverterErrorTitle), QString::fromLocal8Bit(message));
        failure.converterResult = converted;
        return failure;
    }
    image.data = data;
    image.size = size;
    return std::nullopt;
}

LoadResult wrongPortCount(int ports, int actual)
{
    LoadResult result = ended(LoadResult::PortCount, QLatin1String(kConverterErrorTitle),
                              QStringLiteral("Wrong port configuration.\nConfigured number of ports: ")
                                  + QString::number(ports) + QStringLiteral(". Actual number of ports: ")
                                  + QString::number(actual) + QStringLiteral("."));
    result.converterResult = 0;
    result.switchPorts = actual;
    return result;
}

std::optional<LoadResult> checkSwitch(COMHandler256& handler, int ports, int& switchPorts)
{
    QList<InfoRecord> records;
    QString error;
    if (!handler.getInfo(records, error)) {
        LoadResult result = ended(LoadResult::Info, QLatin1String(kConverterErrorTitle), error);
        result.converterResult = 0;
        result.failure = handler.lastFailure();
        return result;
    }
    // A successful run always holds 32 records; an empty list counts as a switch without
    // ports rather than a read past the end.
    switchPorts = records.isEmpty() ? 0 : switchPortCount(records.at(0));
    if (switchPorts != ports)
        return wrongPortCount(ports, switchPorts);
    return std::nullopt;
}

LoadResult writeImage(const LinkSettings& settings, const unsigned char* image, int size,
                      const DeviceProgressFn& progress)
{
    COMHandler256 handler(settings);
    handler.setProgress(progress);
    ProdDataRequest request;
    request.index = kProdDataConfigIndex;
    request.param = kProdDataConfigParam;
    request.size = static_cast<quint32>(size);
    if (image && size > 0)
        request.payload = QByteArray(reinterpret_cast<const char*>(image), size);
    request.kind = kProdDataConfigKind;

    QString error;
    LoadResult result;
    if (handler.prodSetData(request, error)) {
        result = ended(LoadResult::Loaded, QStringLiteral("Trevik Tool"),
                       QStringLiteral("Configuration file has been successfully loaded to device"));
        result.information = true;
    } else {
        result = ended(LoadResult::Write, QStringLiteral("Trevik Tool"),
                       QStringLiteral("Configuration file failed to load. Error : %1").arg(error));
        result.failure = handler.lastFailure();
    }
    result.converterResult = 0;
    return result;
}

LoadResult loadIntoSwitch(const LinkSettings& settings, const QByteArray& image, int ports,
                          const DeviceProgressFn& progress)
{
    int switchPorts = -1;
    {
        COMHandler256 handler(settings);
        handler.setProgress(progress);
        if (std::optional<LoadResult> refused = checkSwitch(handler, ports, switchPorts))
            return *refused;
    }
    LoadResult result = writeImage(settings, reinterpret_cast<const unsigned char*>(image.constData()),
                                   image.size(), progress);
    result.switchPorts = switchPorts;
    return result;
}

int convertOnly(const QString& libraryFolder, const QByteArray& path, int ports, QString& message)
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
    const int result = convert(ports, path.constData(), text, 255, &image, &imageSize);
    message = QString::fromLocal8Bit(text);
    return result;
}

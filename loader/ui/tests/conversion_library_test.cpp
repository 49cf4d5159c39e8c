// Run-time loading of the conversion library: the path rule, the real loader against the real
// library and a library without convert_d, and the release of every successful load.
#include <QTest>

#include "conversion_library.h"

namespace {

struct CallCounts
{
    int opens = 0;
    int symbols = 0;
    int closes = 0;
    QByteArray lastPath;
    QByteArray lastSymbol;
    bool openSucceeds = true;
    bool symbolFound = true;
};
CallCounts g_calls;
int g_dummyLibrary = 0;

int fakeConvert(int, const char*, char*, int, unsigned char**, int*)
{
    return 0;
}

void* countingOpen(const QByteArray& path)
{
    ++g_calls.opens;
    g_calls.lastPath = path;
    return g_calls.openSucceeds ? &g_dummyLibrary : nullptr;
}

void* countingSymbol(void*, const char* szName)
{
    ++g_calls.symbols;
    g_calls.lastSymbol = szName;
    return g_calls.symbolFound ? reinterpret_cast<void*>(&fakeConvert) : nullptr;
}

void countingClose(void* pHandle)
{
    QCOMPARE(pHandle, static_cast<void*>(&g_dummyLibrary));
    ++g_calls.closes;
}

const DynamicLibraryApi g_countingApi = {countingOpen, countingSymbol, countingClose};

} // namespace

class TestConversionLibrary : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pathIsDirectoryAndFileName_data();
    void pathIsDirectoryAndFileName();
    void realLibraryConverts();
    void missingFileDoesNotLoad();
    void libraryWithoutConvertHasNoProcedure();
    void everySuccessfulLoadIsReleasedOnce_data();
    void everySuccessfulLoadIsReleasedOnce();
    void procedureIsLookedUpByPlainName();
};

void TestConversionLibrary::init()
{
    g_calls = CallCounts();
}

void TestConversionLibrary::cleanup()
{
    ConversionLibrary::setApiForTesting(nullptr);
}

void TestConversionLibrary::pathIsDirectoryAndFileName_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/opt/trevik" << "/opt/trevik/libzentrix.so";
    QTest::newRow("blanks and UTF-8") << "/home/jürgen/my tools" << "/home/jürgen/my tools/libzentrix.so";
    QTest::newRow("root") << "" << "/libzentrix.so";
}

void TestConversionLibrary::pathIsDirectoryAndFileName()
{
    QFETCH(QString, directory);
    QFETCH(QString, path);
    QCOMPARE(conversionLibraryPath(directory), path);
}

void TestConversionLibrary::realLibraryConverts()
{
    ConversionLibrary library;
    QVERIFY(library.load(QStringLiteral(ZENTRIX_LIBRARY_FILE)));
    const zentrix_convert_fn convert = library.convertProcedure();
    QVERIFY(convert != nullptr);

    char message[256] = {};
    unsigned char* pImage = nullptr;
    int imageSize = -7;
    QCOMPARE(convert(16, "/nonexistent/file.kmc", message, 255, &pImage, &imageSize), 1);
    QCOMPARE(QString::fromLocal8Bit(message), QStringLiteral("Invalid number of ports"));
    QVERIFY(pImage == nullptr);
    QCOMPARE(imageSize, -7);
    library.unload();
    QVERIFY(!library.isLoaded());
    QVERIFY(library.convertProcedure() == nullptr);
}

void TestConversionLibrary::missingFileDoesNotLoad()
{
    ConversionLibrary library;
    QVERIFY(!library.load(QStringLiteral(NO_LIBRARY_DIR "/libzentrix.so")));
    QVERIFY(!library.isLoaded());
    QVERIFY(library.convertProcedure() == nullptr);
}

void TestConversionLibrary::libraryWithoutConvertHasNoProcedure()
{
    ConversionLibrary library;
    QVERIFY(library.load(QStringLiteral(LIBRARY_WITHOUT_CONVERT)));
    QVERIFY(library.convertProcedure() == nullptr);
}

void TestConversionLibrary::everySuccessfulLoadIsReleasedOnce_data()
{
    QTest::addColumn<bool>("openSucceeds");
    QTest::addColumn<bool>("explicitUnload");
    QTest::addColumn<int>("expectedCloses");
    QTest::newRow("loaded, unloaded, destroyed") << true << true << 1;
    QTest::newRow("loaded, destroyed") << true << false << 1;
    QTest::newRow("not loaded, unloaded, destroyed") << false << true << 0;
    QTest::newRow("not loaded, destroyed") << false << false << 0;
}

void TestConversionLibrary::everySuccessfulLoadIsReleasedOnce()
{
    QFETCH(bool, openSucceeds);
    QFETCH(bool, explicitUnload);
    QFETCH(int, expectedCloses);

    ConversionLibrary::setApiForTesting(&g_countingApi);
    g_calls.openSucceeds = openSucceeds;
    {
        ConversionLibrary library;
        QCOMPARE(library.load(QStringLiteral("/x/libzentrix.so")), openSucceeds);
        QCOMPARE(g_calls.lastPath, QByteArray("/x/libzentrix.so"));
        if (explicitUnload) {
            library.unload();
            library.unload();
        }
    }
    QCOMPARE(g_calls.opens, 1);
    QCOMPARE(g_calls.closes, expectedCloses);
}

void TestConversionLibrary::procedureIsLookedUpByPlainName()
{
    ConversionLibrary::setApiForTesting(&g_countingApi);
    ConversionLibrary library;
    QVERIFY(library.convertProcedure() == nullptr);
    QCOMPARE(g_calls.symbols, 0); // nothing loaded: nothing to ask
    QVERIFY(library.load(QStringLiteral("/x/libzentrix.so")));
    QVERIFY(library.convertProcedure() == &fakeConvert);
    QCOMPARE(g_calls.lastSymbol, QByteArray("convert_d"));

    g_calls.symbolFound = false;
    QVERIFY(library.convertProcedure() == nullptr);
}

QTEST_APPLESS_MAIN(TestConversionLibrary)
#include "conversion_library_test.moc"

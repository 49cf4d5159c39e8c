// The KMC header reader: which lines fill which field, and how the value is cut out.
#include <QBuffer>
#include <QTest>

#include "config_header.h"

class TestConfigHeader : public QObject
{
    Q_OBJECT

private slots:
    void readsLines_data();
    void readsLines();
};

void TestConfigHeader::readsLines_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("date");

    QTest::newRow("quotes removed") << QByteArray("Name=\"Two desks\"\n") << "Two desks" << "" << "";
    QTest::newRow("value cut at second equals") << QByteArray("Name = \"A=B\"\n") << " A" << "" << "";
    QTest::newRow("lone Name ignored") << QByteArray("Name\n") << "" << "" << "";
    QTest::newRow("lone Name keeps earlier value")
        << QByteArray("Name=first\nName\n") << "first" << "" << "";
    QTest::newRow("empty Description") << QByteArray("Description=\n") << "" << "" << "";
    QTest::newRow("all three, CR LF endings")
        << QByteArray("Name=\"Office\"\r\nDescription=\"two screens\"\r\nDate and time=\"2016-12-21 14:26\"\r\n")
        << "Office" << "two screens" << "2016-12-21 14:26";
    QTest::newRow("blanks kept")
        << QByteArray("Description=  spaced out  \n") << "" << "  spaced out  " << "";
    QTest::newRow("later line replaces")
        << QByteArray("Name=old\nName=new\n") << "new" << "" << "";
    QTest::newRow("prefix only: Names counts")
        << QByteArray("Names=plural\n") << "plural" << "" << "";
    QTest::newRow("case-sensitive") << QByteArray("name=lower\nDATE AND time=x\n") << "" << "" << "";
    QTest::newRow("must begin the line")
        << QByteArray(" Name=indented\n#Name=comment\n") << "" << "" << "";
    QTest::newRow("Date and without time")
        << QByteArray("Date and=\"21.12.2016\"\n") << "" << "" << "21.12.2016";
    QTest::newRow("Name tested before Description")
        << QByteArray("NameDescription=x\n") << "x" << "" << "";
    QTest::newRow("other lines skipped")
        << QByteArray("[Screens]\nPort1=1,2\nDescription=kept\n0 0 1024 768\n") << "" << "kept" << "";
    QTest::newRow("last line without ending") << QByteArray("Name=end") << "end" << "" << "";
    QTest::newRow("empty file") << QByteArray() << "" << "" << "";
    QTest::newRow("CR inside a value stays")
        << QByteArray("Name=a\rb\n") << "a\rb" << "" << "";
    QTest::newRow("CR ending the last line stays") << QByteArray("Name=end\r") << "end\r" << "" << "";
    QTest::newRow("only the CR of CR LF goes") << QByteArray("Name=a\r\r\n") << "a\r" << "" << "";
}

void TestConfigHeader::readsLines()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(QString, date);

    QBuffer buffer(&file);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const ConfigHeader header = readConfigHeaderLines(buffer);
    QCOMPARE(header.strName, name);
    QCOMPARE(header.strDescription, description);
    QCOMPARE(header.strDate, date);
}

QTEST_APPLESS_MAIN(TestConfigHeader)
#include "config_header_test.moc"

// The INI serializer: addressing, section reads, the backup file's life.
#include "ini_serializer.h"
#include "test_environment.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

class SerializerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString strDir = testenv::freshDir(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        m_strFile = strDir + QStringLiteral("/settings.ini");
        m_strBackup = m_strFile + QStringLiteral(".bak");
    }
    QString m_strFile;
    QString m_strBackup;
};

class Client : public CQTSerializerClient
{
public:
    Client(const char *szGroup, const char *szSection) : m_strGroup(QString::fromLatin1(szGroup)), m_strSection(QString::fromLatin1(szSection)) {}
    QString serializerGroup() const override { return m_strGroup; }
    QString serializerSection() const override { return m_strSection; }

private:
    QString m_strGroup;
    QString m_strSection;
};

TEST_F(SerializerTest, OpeningBackupIsMadeOnlyWhenNoneExists)
{
    ASSERT_TRUE(testenv::writeFile(m_strFile, "[main_config]\ngeneral.device_com=3\n"));
    {
        INISerializer serializer(m_strFile);
        EXPECT_EQ(serializer.backupFilePath(), m_strBackup);
        EXPECT_EQ(testenv::readFile(m_strBackup), testenv::readFile(m_strFile));
        // Leave it behind like a run that never destroyed its serializer.
        QFile::copy(m_strBackup, m_strBackup + QStringLiteral(".keep"));
    }
    QFile::rename(m_strBackup + QStringLiteral(".keep"), m_strBackup);

    ASSERT_TRUE(testenv::writeFile(m_strFile, "[main_config]\ngeneral.device_com=4\n"));
    INISerializer serializer(m_strFile);
    // The earlier run's backup stays as it was until the first flush.
    EXPECT_EQ(testenv::readFile(m_strBackup), QByteArray("[main_config]\ngeneral.device_com=3\n"));
    serializer.flush();
    EXPECT_EQ(testenv::readFile(m_strBackup), testenv::readFile(m_strFile));
    EXPECT_TRUE(testenv::readFile(m_strBackup).contains("general.device_com=4"));
}

TEST_F(SerializerTest, NoFileMeansNoBackupAndNoFailure)
{
    INISerializer serializer(m_strFile);
    EXPECT_FALSE(QFile::exists(m_strBackup));
    QStringList keys;
    QVariantList values;
    EXPECT_EQ(serializer.readAll(QStringLiteral("main"), QStringLiteral("config"), keys, values), 0);
    EXPECT_TRUE(keys.isEmpty());
    serializer.flush();
    EXPECT_FALSE(QFile::exists(m_strFile));
    EXPECT_FALSE(QFile::exists(m_strBackup));
}

TEST_F(SerializerTest, EveryFlushRefreshesTheBackupAndDestructionRemovesIt)
{
    {
        INISerializer serializer(m_strFile);
        EXPECT_EQ(serializer.write(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("general.device_com"), 5), 0);
        serializer.flush();
        const QByteArray first = testenv::readFile(m_strFile);
        EXPECT_TRUE(first.contains("[main_config]")) << first.constData();
        EXPECT_TRUE(first.contains("general.device_com=5")) << first.constData();
        EXPECT_EQ(testenv::readFile(m_strBackup), first);

        serializer.write(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("general.device_com"), 9);
        serializer.flush();
        EXPECT_TRUE(testenv::readFile(m_strBackup).contains("general.device_com=9"));
        EXPECT_EQ(testenv::readFile(m_strBackup), testenv::readFile(m_strFile));
    }
    EXPECT_FALSE(QFile::exists(m_strBackup));
    EXPECT_TRUE(testenv::readFile(m_strFile).contains("general.device_com=9"));
}

TEST_F(SerializerTest, ReadAllSeesOnlyItsOwnSection)
{
    ASSERT_TRUE(testenv::writeFile(m_strFile, "general.device_com=1\n"
                                              "[main_configX]\ngeneral.device_com=2\n"
                                              "[main_config]\ngeneral.device_com=3\ngeneral.sql_db=VOLTAN\nlist=a,b\n"
                                              "[other]\ngeneral.device_com=4\n"));
    INISerializer serializer(m_strFile);
    QStringList keys = {QStringLiteral("already there")};
    QVariantList values = {QVariant(0)};
    EXPECT_EQ(serializer.readAll(QStringLiteral("main"), QStringLiteral("config"), keys, values), 0);
    EXPECT_EQ(keys, QStringList({QStringLiteral("already there"), QStringLiteral("general.device_com"), QStringLiteral("general.sql_db"),
                                 QStringLiteral("list")}));
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(values[1].toString(), QStringLiteral("3"));
    EXPECT_EQ(values[2].toString(), QStringLiteral("VOLTAN"));
    EXPECT_EQ(values[3].userType(), QMetaType::QStringList);
}

TEST_F(SerializerTest, ValuesKeepTheirTypesThroughTheFile)
{
    {
        INISerializer serializer(m_strFile);
        serializer.write(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("f"), QVariant(1.5f));
        serializer.write(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("s"), QStringLiteral("a,b=c;d"));
        serializer.write(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("i"), 42);
    }
    INISerializer serializer(m_strFile);
    EXPECT_EQ(serializer.read(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("f")).userType(), QMetaType::Float);
    EXPECT_FLOAT_EQ(serializer.read(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("f")).toFloat(), 1.5f);
    EXPECT_EQ(serializer.read(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("s")).toString(), QStringLiteral("a,b=c;d"));
    EXPECT_EQ(serializer.read(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("i")).toInt(), 42);
    EXPECT_FALSE(serializer.read(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("none")).isValid());
}

TEST_F(SerializerTest, ClientSectionsCanBeFoundAndTrimmed)
{
    ASSERT_TRUE(testenv::writeFile(m_strFile, "[main_config]\na=1\nb=2\nc=3\n"));
    INISerializer serializer(m_strFile);
    const Client main("main", "config");
    const Client other("main", "other");
    EXPECT_TRUE(serializer.hasSection(&main));
    EXPECT_FALSE(serializer.hasSection(&other));
    EXPECT_FALSE(serializer.hasSection(nullptr));

    serializer.removeEntries(nullptr, {QStringLiteral("a")});
    serializer.removeEntries(&main, {});
    serializer.removeEntries(&main, {QStringLiteral("a"), QStringLiteral("c")});
    QStringList keys;
    QVariantList values;
    serializer.readAll(QStringLiteral("main"), QStringLiteral("config"), keys, values);
    EXPECT_EQ(keys, QStringList({QStringLiteral("b")}));
}

// A store whose creation failed: everything answers its failure, nothing is written.
class StorelessSerializer : public INISerializer
{
public:
    StorelessSerializer() : INISerializer(AdoptTag(), nullptr) {}
};

TEST_F(SerializerTest, WithoutAStoreReadsAndWritesFail)
{
    StorelessSerializer serializer;
    QStringList keys;
    QVariantList values;
    EXPECT_EQ(serializer.readAll(QStringLiteral("main"), QStringLiteral("config"), keys, values), -1);
    EXPECT_EQ(serializer.write(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("k"), 1), -1);
    EXPECT_FALSE(serializer.read(QStringLiteral("main"), QStringLiteral("config"), QStringLiteral("k")).isValid());
    serializer.flush();
    int a = 1;
    int b = 2;
    EXPECT_EQ(serializer.reserved(a, b), 0);
}

TEST(DefaultSettingsFile, LivesInTheOrganisationFolderOfTheTestHome)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Trevik Tool"));
    INISerializer serializer;
    EXPECT_EQ(serializer.settingsFilePath(), testenv::rootDir() + QStringLiteral("/home/.config/Velmora/Trevik Tool.ini"));
}

} // namespace

// The INI serializer: the backup file's life, section reads, clients, a store that failed.
#include "ini_serializer.h"
#include "test_environment.h"

#include <gtest/gtest.h>

namespace {

const QString kMain = "main"_q, kConfig = "config"_q;

QStringList keysOf(INISerializer &serializer, int iAnswer = 0)
{
    QStringList keys;
    QVariantList values;
    EXPECT_EQ(serializer.readAll(kMain, kConfig, keys, values), iAnswer);
    return keys;
}

TEST(IniSerializer, BackupIsMadeWhenNoneExistsRefreshedByEveryFlushAndRemovedAtTheEnd)
{
    const QString strFile = testenv::freshDir() + "/settings.ini"_q, strBackup = strFile + ".bak"_q;
    {
        INISerializer serializer(strFile);
        EXPECT_TRUE(keysOf(serializer).isEmpty()) << "no file yet is no failure";
        serializer.flush();
        EXPECT_FALSE(QFile::exists(strFile) || QFile::exists(strBackup)) << "nothing to write, nothing to back up";
        serializer.write(kMain, kConfig, "general.device_com"_q, 3);
        serializer.flush();
        EXPECT_EQ(testenv::readSettings(strFile), "[main_config]\ngeneral.device_com=3\n");
        EXPECT_EQ(testenv::readSettings(strBackup), testenv::readSettings(strFile));
        QFile::copy(strBackup, strBackup + "~"_q);
    }
    EXPECT_FALSE(QFile::exists(strBackup));
    // A backup left by a run that never destroyed its serializer stays until the first flush.
    QFile::rename(strBackup + "~"_q, strBackup);
    ASSERT_TRUE(testenv::writeFile(strFile, "[main_config]\ngeneral.device_com=4\n"));
    INISerializer serializer(strFile);
    EXPECT_EQ(testenv::readSettings(strBackup), "[main_config]\ngeneral.device_com=3\n");
    serializer.flush();
    EXPECT_EQ(testenv::readSettings(strBackup), "[main_config]\ngeneral.device_com=4\n");
    QFile::remove(strBackup);
    INISerializer second(strFile);
    EXPECT_EQ(testenv::readSettings(strBackup), "[main_config]\ngeneral.device_com=4\n") << "made at once when none exists";
}

struct Client : CQTSerializerClient
{
    Client(const char *szSection) : strSection(QString::fromLatin1(szSection)) {}
    QString serializerGroup() const override { return kMain; }
    QString serializerSection() const override { return strSection; }
    QString strSection;
};

// Adopts a store whose creation failed.
struct StorelessSerializer : INISerializer
{
    StorelessSerializer() : INISerializer(AdoptTag(), nullptr) {}
};

TEST(IniSerializer, SectionsOfTheFileAndOfClients)
{
    const QString strFile = testenv::freshDir() + "/settings.ini"_q;
    ASSERT_TRUE(testenv::writeFile(strFile, "a=1\n[main_configX]\na=2\n[main_config]\na=3\nb=x,y\nc=4\n[other]\na=5\n"));
    INISerializer serializer(strFile);
    QStringList keys = {"already there"_q};
    QVariantList values = {0};
    EXPECT_EQ(serializer.readAll(kMain, kConfig, keys, values), 0);
    EXPECT_EQ(keys, QStringList({"already there"_q, "a"_q, "b"_q, "c"_q}));
    EXPECT_EQ(values, QVariantList({0, "3"_q, QStringList({"x"_q, "y"_q}), "4"_q}));
    EXPECT_EQ(serializer.read(kMain, kConfig, "c"_q), "4"_q);
    EXPECT_FALSE(serializer.read(kMain, kConfig, "none"_q).isValid());

    const Client main("config"), other("other");
    EXPECT_TRUE(serializer.hasSection(&main));
    EXPECT_FALSE(serializer.hasSection(&other) || serializer.hasSection(nullptr));
    serializer.removeEntries(nullptr, {"a"_q});
    serializer.removeEntries(&main, {});
    serializer.removeEntries(&main, {"a"_q, "c"_q});
    EXPECT_EQ(keysOf(serializer), QStringList({"b"_q}));

    StorelessSerializer storeless; // answers its failure, touches nothing
    EXPECT_TRUE(keysOf(storeless, -1).isEmpty());
    EXPECT_EQ(storeless.write(kMain, kConfig, "a"_q, 1), -1);
    EXPECT_FALSE(storeless.read(kMain, kConfig, "a"_q).isValid() || storeless.hasSection(&main));
    storeless.removeEntries(&main, {"a"_q});
    storeless.flush();
    EXPECT_TRUE(storeless.settingsFilePath().isEmpty());
}

} // namespace

#ifndef TREVIK_TESTS_TEST_ENVIRONMENT_H
#define TREVIK_TESTS_TEST_ENVIRONMENT_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A private user for one test process: settings, pinned ports and temporary files all live in
// one temporary folder, so nothing the tests do reaches the real user's files or ports.
// Construct it first thing in main, before the Qt application object exists.
class TestEnvironment
{
public:
    TestEnvironment();

    bool isValid() const { return m_dir.isValid(); }
    QString portFolder() const { return m_dir.path() + QStringLiteral("/ports"); }
    QString configFolder() const { return m_dir.path() + QStringLiteral("/config"); }
    QString path() const { return m_dir.path(); }
    // The settings file as another reader sees it now.
    int storedDeviceCom() const;

private:
    QTemporaryDir m_dir;
};

// Builds the Qt application with `switches` as the program's command line (for instance
// "-nodevice"), initialises the preference manager as the start-up does, then runs the test
// object that makeTest creates. argc/argv are the test's own arguments (test functions, -v2).
int runWindowTest(int argc, char* argv[], const QStringList& switches,
                  const std::function<QObject*()>& makeTest);

#endif

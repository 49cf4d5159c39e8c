#ifndef TREVIK_TESTS_PINNED_PORTS_H
#define TREVIK_TESTS_PINNED_PORTS_H

#include <QMap>
#include <QString>

// Serial ports for tests: each is a pseudo-terminal whose slave is linked as COMn into the
// pinned-ports folder, so the program finds, opens and probes it like an adapter. The master
// side stays open (and silent) while the port exists.
class PinnedPorts
{
public:
    explicit PinnedPorts(const QString& strFolder);
    ~PinnedPorts();

    // Creates COM<number>; false (with a test-readable reason in lastError) when it cannot.
    bool add(int number);
    void remove(int number);
    // Opens COM<number> and locks it as another program would; the program cannot open it
    // until release(). False when it cannot be held.
    bool hold(int number);
    void release(int number);
    QString lastError() const { return m_strError; }

private:
    QString m_strFolder;
    QMap<int, int> m_masters; // port number -> master descriptor
    QMap<int, int> m_holders; // port number -> locked slave descriptor
    QString m_strError;
};

#endif

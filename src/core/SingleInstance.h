// One running copy per program folder: a second start hands its command line
// to the copy that runs already and ends. The copies meet at a local socket
// whose name is made from the program folder, so copies with different
// program folders (tests, a second installation) do not meet. The socket
// lives where only the user can create it (the private runtime folder, else
// the program folder), and each side makes sure the other runs as the same
// user: a start whose peer is somebody else runs as a copy of its own.
//
// The socket is a plain AF_UNIX stream socket watched by the event loop: the
// meeting needs nothing of a network library, which every start would load.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <sys/types.h>

#include <map>

class QSocketNotifier;

namespace core {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket path of the program folder.
    static QString ServerName(const QString& programFolder);

    // Either hands the command line to the copy that runs for this program
    // folder (true: this start is to end) or becomes that copy and listens
    // (false). `waitMs` bounds the wait for the running copy's answer.
    bool HandOverOrListen(const QString& commandLine, int waitMs = 3000);
    // True while this object is the running copy.
    bool IsListening() const;

signals:
    // A later start handed over its command line (the text after the program path).
    void CommandLineReceived(const QString& commandLine);

private:
    // A later start's connection: what it sent so far.
    struct Connection {
        QSocketNotifier* notifier = nullptr; // a child of this object
        QByteArray pending;
    };

    bool HandOver(const QString& commandLine, int waitMs);
    bool Listen();
    void StopListening();
    void Accept();
    void ReadConnection(int fd);
    void DropConnection(int fd);

    QString m_folder;
    QString m_name;
    int m_server = -1;
    QSocketNotifier* m_serverNotifier = nullptr; // a child of this object
    // The socket file this copy made (removed at the end if it is still that one).
    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::map<int, Connection> m_connections;
};

} // namespace core

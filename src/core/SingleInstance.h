// One running copy per program folder: a second start hands its command line
// to the copy that runs already and ends. The copies meet at a local socket
// whose name is made from the program folder, so copies with different
// program folders (tests, a second installation) do not meet. The socket
// lives where only the user can create it (the private runtime folder, else
// the program folder), and each side makes sure the other runs as the same
// user: a start whose peer is somebody else runs as a copy of its own.
//
// The running copy holds a lock on a file in the program folder for as long
// as it runs and writes down where its socket is. A later start learns from
// the lock that a copy runs, whatever its environment says about the runtime
// folder, and finds the socket from the note; should that copy not answer,
// the start ends rather than run as a second copy on the same lists.
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

    // The socket path of the program folder: in the private runtime folder,
    // else in the program folder, else (when that path is too long for a
    // socket) in a short folder of this user's own under /tmp.
    static QString ServerName(const QString& programFolder);

    // Either hands the command line to the copy that runs for this program
    // folder (true: this start is to end) or becomes that copy and listens
    // (false). `waitMs` bounds the wait for the running copy's answer.
    bool HandOverOrListen(const QString& commandLine, int waitMs = 3000);
    // True while this object is the running copy.
    bool IsListening() const;
    // After HandOverOrListen returned true: a copy runs for this program
    // folder but did not take the command line (it hangs, or could not
    // listen). This start is still to end; the caller says why.
    bool RunningCopyDidNotAnswer() const;

signals:
    // A later start handed over its command line (the text after the program path).
    void CommandLineReceived(const QString& commandLine);

private:
    // A later start's connection: what it sent so far.
    struct Connection {
        QSocketNotifier* notifier = nullptr; // a child of this object
        QByteArray pending;
    };

    bool HandOver(const QString& socketPath, const QString& commandLine, int waitMs);
    bool Listen();
    QString RecordedAddress() const;
    void StopListening();
    void Accept();
    void ReadConnection(int fd);
    void DropConnection(int fd);

    QString m_folder;
    QString m_name;
    int m_server = -1;
    // The lock held while this copy runs.
    int m_running = -1;
    bool m_didNotAnswer = false;
    QSocketNotifier* m_serverNotifier = nullptr; // a child of this object
    // The socket file this copy made (removed at the end if it is still that one).
    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::map<int, Connection> m_connections;
};

} // namespace core

// One running copy per program folder: a second start hands its command line
// to the copy that runs already and ends. The copies meet at a local socket
// whose name is made from the program folder, so copies with different
// program folders (tests, a second installation) do not meet. The socket
// lives where only the user can create it (the private runtime folder, else
// the program folder), and each side makes sure the other runs as the same
// user: a start whose peer is somebody else runs as a copy of its own.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

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
    bool HandOver(const QString& commandLine, int waitMs);
    bool Listen();
    void ReadConnection();

    QString m_folder;
    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace core

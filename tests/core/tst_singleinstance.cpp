// One running copy per program folder: a later start hands its command line
// to the running copy and is told to end; copies of other program folders
// run side by side. Another user of the machine can neither take the command
// line nor hand one over.
#include "TestEnv.h"
#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr uid_t kNobody = 65534;

// Sets (or, with a null value, removes) an environment variable for one
// scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// Another user of the machine (nobody): a child process that drops to that
// user id and then listens at, or connects to, a socket path, telling the
// test what it saw through a pipe, one word a line. Only root can drop to
// another user.
class Stranger {
public:
    enum class Role { Listen, Connect };

    Stranger(Role role, const QByteArray& path, const QByteArray& line = {}) {
        // Made before the fork: the child of a threaded process allocates nothing.
        const QByteArray sent = line + '\n';
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            run(fds[1], role, path, sent);
        }
        ::close(fds[1]);
        m_pipe = fds[0];
        if (m_pid < 0) return;
        ::fcntl(m_pipe, F_SETFL, O_NONBLOCK);
    }
    ~Stranger() {
        stop();
        if (m_pipe >= 0) ::close(m_pipe);
    }

    // Waits (running the event loop, so that a copy here can answer) until
    // the stranger has said `word`, or one of the words that end its part.
    bool waitFor(const QByteArray& word) {
        return QTest::qWaitFor(
            [&] {
                drain();
                return saw(word) || saw("failed") || m_eof;
            },
            10000);
    }
    bool saw(const QByteArray& word) const { return m_said.split('\n').contains(word); }
    const QByteArray& said() const { return m_said; }
    // Ends the stranger and returns all it said.
    QByteArray finish() {
        stop();
        drain();
        return m_said;
    }

private:
    static void say(int out, const char* word) {
        const ssize_t n = ::write(out, word, std::strlen(word));
        (void)n;
    }
    [[noreturn]] static void run(int out, Role role, const QByteArray& path, const QByteArray& sent) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            say(out, "failed\nsetuid\n");
            ::_exit(1);
        }
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        char buffer[256];
        if (role == Role::Listen) {
            // Answers as a running copy would, and tells what it was sent.
            if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                ::listen(s, 4) != 0) {
                say(out, "failed\nbind\n");
                ::_exit(1);
            }
            say(out, "ready\n");
            for (;;) {
                const int c = ::accept(s, nullptr, nullptr);
                if (c < 0) ::_exit(1);
                while (::read(c, buffer, sizeof buffer) > 0) {
                    say(out, "got\n");
                    (void)::send(c, "!", 1, MSG_NOSIGNAL);
                }
                ::close(c);
            }
        }
        // Hands over a command line as a later start would.
        if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            say(out, "failed\nconnect\n");
            ::_exit(1);
        }
        (void)::send(s, sent.constData(), size_t(sent.size()), MSG_NOSIGNAL);
        say(out, ::read(s, buffer, 1) == 1 ? "acknowledged\n" : "refused\n");
        ::_exit(0);
    }
    void drain() {
        if (m_pipe < 0) return;
        char buffer[256];
        for (;;) {
            const ssize_t n = ::read(m_pipe, buffer, sizeof buffer);
            if (n > 0) {
                m_said.append(buffer, n);
                continue;
            }
            if (n == 0) m_eof = true;
            return;
        }
    }
    void stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    pid_t m_pid = -1;
    int m_pipe = -1;
    bool m_eof = false;
    QByteArray m_said;
};

// Lets other users into `folder` (and through the folders above it inside
// the test's temporary folder), as a shared or careless folder would.
void openToOthers(const testsupport::TestEnv& env, const QString& folder) {
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(env.root()).constData(), 0755);
    ::chmod(QFile::encodeName(folder).constData(), 0777);
}

// The socket name a start of an earlier version used: the temporary folder
// that every user may write to.
QString oldSocketPath(const QString& programFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(QDir(programFolder).absolutePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex();
    return QDir::tempPath() + "/corvane-" + QString::fromLatin1(hash.left(16));
}
// A later start, as another process would make it: on a thread of its own,
// so that the running copy here can answer.
bool laterStart(const QString& folder, const QString& commandLine) {
    std::atomic<bool> done{false};
    bool handedOver = false;
    std::thread start([&] {
        core::SingleInstance later(folder);
        handedOver = later.HandOverOrListen(commandLine);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    start.join();
    return handedOver;
}
} // namespace

class tst_singleinstance : public QObject {
    Q_OBJECT
private slots:
    void secondStartHandsOverItsCommandLine_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("-addfiles") << "-addfiles";
        QTest::newRow("-addaudiocd") << "-addaudiocd";
        QTest::newRow("-st") << "-st";
        QTest::newRow("none") << "";
    }
    void secondStartHandsOverItsCommandLine() {
        QFETCH(QString, commandLine);
        testsupport::TestEnv env;
        core::SingleInstance first(env.home());
        QVERIFY(!first.HandOverOrListen(QString()));
        QVERIFY(first.IsListening());
        QSignalSpy received(&first, &core::SingleInstance::CommandLineReceived);

        QVERIFY(laterStart(env.home(), commandLine));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toString(), commandLine);
        QVERIFY(first.IsListening());
    }

    void otherProgramFoldersRunSideBySide() {
        testsupport::TestEnv env;
        core::SingleInstance first(env.path("one"));
        QVERIFY(!first.HandOverOrListen(QString()));
        core::SingleInstance other(env.path("two"));
        QVERIFY(!other.HandOverOrListen("-addfiles"));
        QVERIFY(other.IsListening());
        QVERIFY(core::SingleInstance::ServerName(env.path("one")) !=
                core::SingleInstance::ServerName(env.path("two")));
    }

    void aCopyThatEndedLeavesTheNextStartRunning() {
        testsupport::TestEnv env;
        {
            core::SingleInstance gone(env.home());
            QVERIFY(!gone.HandOverOrListen(QString()));
        }
        core::SingleInstance next(env.home());
        QVERIFY(!next.HandOverOrListen("-addfiles"));
        QVERIFY(next.IsListening());
    }

    // Two starts that disagree on the runtime folder (one from a desktop
    // session, one from a shell without it) still meet: the later start
    // finds the running copy from what that copy wrote down.
    void startsWithDifferentRuntimeFoldersMeet_data() {
        QTest::addColumn<bool>("firstHasRuntime");
        QTest::newRow("the running copy has one") << true;
        QTest::newRow("the later start has one") << false;
    }
    void startsWithDifferentRuntimeFoldersMeet() {
        QFETCH(bool, firstHasRuntime);
        testsupport::TestEnv env;
        const QString runtime = env.path("runtime");
        QDir().mkpath(runtime);
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
        const QByteArray firstRuntime = firstHasRuntime ? QFile::encodeName(runtime) : QByteArray();
        const QByteArray laterRuntime = firstHasRuntime ? QByteArray() : QFile::encodeName(runtime);

        std::optional<ScopedEnv> xdg(std::in_place, "XDG_RUNTIME_DIR", firstRuntime);
        core::SingleInstance first(env.home());
        QVERIFY(!first.HandOverOrListen(QString()));
        QVERIFY(first.IsListening());
        QSignalSpy received(&first, &core::SingleInstance::CommandLineReceived);
        xdg.emplace("XDG_RUNTIME_DIR", laterRuntime);
        QVERIFY(laterStart(env.home(), "-addfiles"));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toString(), QString("-addfiles"));
    }

    // A program folder (or runtime folder) whose socket path would not fit a
    // socket address still has one copy: the socket goes to a short folder
    // of the user's own.
    void aLongProgramFolderStillHasOneCopy_data() {
        QTest::addColumn<bool>("longRuntime");
        QTest::newRow("long program folder") << false;
        QTest::newRow("long runtime folder") << true;
    }
    void aLongProgramFolderStillHasOneCopy() {
        QFETCH(bool, longRuntime);
        testsupport::TestEnv env;
        const QString deep = env.path(QString(60, 'd') + "/" + QString(60, 'e'));
        QDir().mkpath(deep);
        const QString folder = longRuntime ? env.home() : deep;
        if (longRuntime) ::chmod(QFile::encodeName(deep).constData(), 0700);
        ScopedEnv xdg("XDG_RUNTIME_DIR", longRuntime ? QFile::encodeName(deep) : QByteArray());

        const QString name = core::SingleInstance::ServerName(folder);
        QVERIFY2(QFile::encodeName(name).size() < qsizetype(sizeof(sockaddr_un{}.sun_path)),
                 qPrintable(name));
        core::SingleInstance first(folder);
        QVERIFY(!first.HandOverOrListen(QString()));
        QVERIFY(first.IsListening());
        struct stat made {};
        QCOMPARE(::lstat(QFile::encodeName(QFileInfo(name).absolutePath()).constData(), &made), 0);
        QCOMPARE(made.st_uid, ::geteuid());
        QCOMPARE(made.st_mode & 0077, 0u);
        QSignalSpy received(&first, &core::SingleInstance::CommandLineReceived);
        QVERIFY(laterStart(folder, "-st"));
        QTRY_COMPARE(received.size(), 1);
    }

    // A running copy of an earlier version holds no lock and wrote no note
    // of its address: a later start still finds it at its socket instead of
    // taking the socket over and running beside it.
    void aCopyOfAnEarlierVersionIsStillFound() {
        testsupport::TestEnv env;
        ScopedEnv xdg("XDG_RUNTIME_DIR", QByteArray());
        const QByteArray path = QFile::encodeName(core::SingleInstance::ServerName(env.home()));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(::listen(listener, 4), 0);
        QByteArray got;
        std::thread earlier([&] {
            // Answers one hand-over as such a copy would (and gives up
            // should none come).
            pollfd ready{listener, POLLIN, 0};
            if (::poll(&ready, 1, 10000) != 1) return;
            const int c = ::accept(listener, nullptr, nullptr);
            char buffer[256];
            ssize_t n;
            while (!got.endsWith('\n') && (n = ::read(c, buffer, sizeof buffer)) > 0)
                got.append(buffer, n);
            (void)::send(c, "!", 1, MSG_NOSIGNAL);
            ::close(c);
        });
        bool handedOver = false, listening = false;
        {
            core::SingleInstance later(env.home());
            handedOver = later.HandOverOrListen("-addfiles");
            listening = later.IsListening();
        }
        earlier.join();
        ::close(listener);
        QVERIFY(handedOver);
        QVERIFY(!listening);
        QCOMPARE(got, QByteArray("-addfiles\n"));
    }

    // A copy that runs but does not answer (it hangs, or could not listen)
    // keeps later starts out instead of letting a second copy at its lists;
    // the start is told why. Once it ends, the next start runs.
    void aCopyThatDoesNotAnswerKeepsLaterStartsOut() {
        testsupport::TestEnv env;
        const QByteArray lockPath = QFile::encodeName(env.home() + "/.instance.running");
        const int held = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX | LOCK_NB), 0);
        {
            core::SingleInstance later(env.home());
            QVERIFY(later.HandOverOrListen("-addfiles", 200));
            QVERIFY(later.RunningCopyDidNotAnswer());
            QVERIFY(!later.IsListening());
        }
        ::close(held);
        core::SingleInstance next(env.home());
        QVERIFY(!next.HandOverOrListen("-addfiles", 200));
        QVERIFY(!next.RunningCopyDidNotAnswer());
        QVERIFY(next.IsListening());
    }

    // The socket is made where only the user can make one: the runtime
    // folder when it is theirs alone, else the program folder.
    void socketLivesWhereOnlyTheUserCanCreateIt_data() {
        QTest::addColumn<QString>("runtime"); // what XDG_RUNTIME_DIR names
        QTest::addColumn<bool>("used");       // the socket is made in it
        QTest::newRow("private") << "private" << true;
        QTest::newRow("unset") << "" << false;
        QTest::newRow("others may enter") << "open" << false;
        QTest::newRow("another user's") << "foreign" << false;
        QTest::newRow("a link to a private folder") << "link" << false;
        QTest::newRow("relative") << "relative" << false;
    }
    void socketLivesWhereOnlyTheUserCanCreateIt() {
        QFETCH(QString, runtime);
        QFETCH(bool, used);
        testsupport::TestEnv env;
        QString folder;
        if (!runtime.isEmpty()) {
            folder = env.path("runtime/" + runtime);
            QDir().mkpath(folder);
            ::chmod(QFile::encodeName(folder).constData(), runtime == "open" ? 0755 : 0700);
            if (runtime == "foreign") {
                if (::geteuid() != 0) QSKIP("a folder of another user needs root to make (chown to nobody)");
                QCOMPARE(::chown(QFile::encodeName(folder).constData(), kNobody, kNobody), 0);
            }
            if (runtime == "link") {
                const QString target = folder + "-target";
                QDir().mkpath(target);
                ::chmod(QFile::encodeName(target).constData(), 0700);
                QDir().rmdir(folder);
                QVERIFY(QFile::link(target, folder));
            }
            if (runtime == "relative") folder = QDir::current().relativeFilePath(folder);
        }
        ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.isEmpty() ? QByteArray() : QFile::encodeName(folder));

        const QString name = core::SingleInstance::ServerName(env.home());
        QCOMPARE(QFileInfo(name).absolutePath(), used ? folder : env.home());
        core::SingleInstance first(env.home());
        QVERIFY(!first.HandOverOrListen(QString()));
        QVERIFY(QFileInfo(name).exists());
        QSignalSpy received(&first, &core::SingleInstance::CommandLineReceived);
        QVERIFY(laterStart(env.home(), "-addfiles"));
        QTRY_COMPARE(received.size(), 1);
    }

    // Another user listening where an earlier version met (the shared
    // temporary folder) neither gets the command line nor ends the start.
    void aListenerOfAnotherUserOnTheOldPathIsIgnored() {
        if (::geteuid() != 0)
            QSKIP("another user id needs root: the test drops a child process to nobody (65534)");
        testsupport::TestEnv env;
        const QString tmp = env.path("tmp");
        openToOthers(env, tmp);
        ScopedEnv tmpdir("TMPDIR", QFile::encodeName(tmp));
        const QString runtime = env.path("runtime");
        QDir().mkpath(runtime);
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
        ScopedEnv xdg("XDG_RUNTIME_DIR", QFile::encodeName(runtime));

        Stranger stranger(Stranger::Role::Listen, QFile::encodeName(oldSocketPath(env.home())));
        QVERIFY(stranger.waitFor("ready"));
        QVERIFY2(stranger.saw("ready"), stranger.said().constData());

        core::SingleInstance first(env.home());
        QVERIFY(!first.HandOverOrListen("-addfiles"));
        QVERIFY(first.IsListening());
        QSignalSpy received(&first, &core::SingleInstance::CommandLineReceived);
        QVERIFY(laterStart(env.home(), "-st"));
        QTRY_COMPARE(received.size(), 1);
        QVERIFY2(!stranger.finish().contains("got"), "the other user was sent the command line");
    }

    // Each side makes sure the other runs as the same user, also where file
    // permissions would let somebody else in: a start meeting a stranger's
    // socket runs as the copy, and a stranger's hand-over is refused.
    void aPeerOfAnotherUserIsRefused_data() {
        QTest::addColumn<bool>("strangerListens");
        QTest::newRow("the stranger listens") << true;
        QTest::newRow("the stranger hands over") << false;
    }
    void aPeerOfAnotherUserIsRefused() {
        QFETCH(bool, strangerListens);
        if (::geteuid() != 0)
            QSKIP("another user id needs root: the test drops a child process to nobody (65534)");
        testsupport::TestEnv env;
        // No private runtime folder: the program folder serves, and here it
        // is open to everybody.
        ScopedEnv xdg("XDG_RUNTIME_DIR", QByteArray());
        openToOthers(env, env.home());
        const QByteArray path = QFile::encodeName(core::SingleInstance::ServerName(env.home()));

        core::SingleInstance first(env.home());
        QSignalSpy received(&first, &core::SingleInstance::CommandLineReceived);
        if (strangerListens) {
            Stranger stranger(Stranger::Role::Listen, path);
            QVERIFY(stranger.waitFor("ready"));
            QVERIFY2(stranger.saw("ready"), stranger.said().constData());
            QVERIFY(!first.HandOverOrListen("-addfiles"));
            QVERIFY(first.IsListening());
            QVERIFY2(!stranger.finish().contains("got"), "the other user was sent the command line");
        } else {
            QVERIFY(!first.HandOverOrListen(QString()));
            ::chmod(path.constData(), 0777);
            Stranger stranger(Stranger::Role::Connect, path, "-addfiles");
            QVERIFY(stranger.waitFor("refused"));
            QVERIFY2(stranger.saw("refused"), stranger.said().constData());
            QCOMPARE(received.size(), 0);
        }
        // This user's later starts still hand over.
        QVERIFY(laterStart(env.home(), "-st"));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toString(), QString("-st"));
    }
};

QTEST_MAIN(tst_singleinstance)
#include "tst_singleinstance.moc"

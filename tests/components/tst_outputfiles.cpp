// How outputs reach the disk: a killed run's partial file is swept by the
// next run into its folder (only ours, only when no writer holds it), new
// files take the user's umask, long names are fitted without a character
// cut in two, and a failed write says why.
#include "OutputFolders.h"
#include "components/AudioEncoder.h"
#include "components/Mp3Writer.h"
#include "components/OutputFiles.h"
#include "itemlists/ItemsListFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace components;
using testsupport::FilesIn;
using testsupport::ModeOf;
using testsupport::Touch;

namespace {

EncoderSetup WavSetup() {
    EncoderSetup setup;
    setup.OutputFormat = 1;
    setup.WAV.SampleRate = 44100;
    setup.WAV.Channels = 2;
    setup.WAV.BitsPerSample = 16;
    return setup;
}

// Seconds of a quiet stereo tone, 16-bit interleaved.
std::vector<qint16> Pcm(double seconds) {
    std::vector<qint16> pcm(size_t(44100 * seconds) * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = qint16((i * 37) % 2000);
    return pcm;
}

} // namespace

class tst_outputfiles : public QObject {
    Q_OBJECT

private slots:
    // A run killed mid-write leaves its partial file; the next encoder that
    // opens an output in that folder removes it, and nothing else: not the
    // partial file of a writer still at work, not names merely like ours.
    void killedRunsPartialFileIsSweptByTheNextRun() {
        QTemporaryDir dir;
        const QString folder = dir.path();
        PartialFile running; // a writer still at work
        QVERIFY(running.Create(folder, "running.wav"));
        QVERIFY(IsPartialFileName(QFileInfo(running.Path()).fileName()));
        // A run that dies without cleaning up: its lock dies with it.
        const pid_t child = ::fork();
        if (child == 0) {
            PartialFile dying;
            ::_exit(dying.Create(folder, "killed.mp3") ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        Touch(folder + "/.older.wav.part-Ab12Cd"); // left by an earlier version's killed run

        const QStringList lookAlikes{".song.mp3.part-Ab12C", "song.mp3.part-Ab12Cd",
                                     ".song.mp3.part-Ab12Cd.bak", ".notes", "target.txt"};
        for (const QString& name : lookAlikes)
            Touch(folder + '/' + name);
        QVERIFY(QDir().mkdir(folder + "/.folder.part-Ab12Cd"));
        QVERIFY(QFile::link(folder + "/target.txt", folder + "/.link.part-Ab12Cd"));
        const QStringList before = FilesIn(folder);
        QCOMPARE(before.filter(".killed.mp3.part-").size(), 1);

        AudioEncoder enc;
        QVERIFY2(enc.Open(folder + "/new.wav", WavSetup(), EncoderTags{}, 44100, 2, SampleKind::S16),
                 qPrintable(enc.ErrorText()));
        QStringList expected = lookAlikes;
        expected << ".folder.part-Ab12Cd"
                 << ".link.part-Ab12Cd" << QFileInfo(running.Path()).fileName();
        const auto pcm = Pcm(0.5);
        QVERIFY(enc.Write(pcm.data(), qint64(pcm.size() / 2)));
        QVERIFY(enc.Finish());
        expected << "new.wav";
        expected.sort();
        QCOMPARE(FilesIn(folder), expected);

        running.Discard();
        QVERIFY(!QFile::exists(running.Path()));
    }

    // A burn's cache folder that a killed run left ("burntmp-" and six
    // letters or digits) goes when the next burn makes its own, with what is
    // in it; a link in it goes as a link, so the user's file it leads to
    // stays. A link named like a cache folder, a folder a running burn holds
    // and names merely like ours stay too. The new folder goes when its
    // burn ends.
    void killedBurnsCacheFolderIsSweptByTheNextBurn() {
        QTemporaryDir dir;
        const QString parent = dir.filePath("program");
        QVERIFY(QDir().mkpath(parent));
        const QString userFolder = dir.filePath("user");
        QVERIFY(QDir().mkpath(userFolder));
        const QString userFile = userFolder + "/album.wav";
        Touch(userFile);

        TempFolder running; // a burn still at work
        QVERIFY2(running.Create(parent, "burntmp-"), qPrintable(running.ErrorText()));
        Touch(running.FilePath("track01.pcm"));
        const QString stale = parent + "/burntmp-Ab12Cd";
        QVERIFY(QDir().mkdir(stale));
        Touch(stale + "/track01.pcm");
        Touch(stale + "/.hidden");
        QVERIFY(QFile::link(userFile, stale + "/track02.pcm"));
        QVERIFY(QFile::link(userFolder, parent + "/burntmp-Zz9876"));
        const QStringList lookAlikes{"burntmp-Ab12C", "burntmp-Ab12Cd7", "burntmp-Ab-2Cd", "datacdtmp"};
        for (const QString& name : lookAlikes)
            QVERIFY(QDir().mkdir(parent + '/' + name));

        QString made;
        {
            TempFolder next;
            QVERIFY2(next.Create(parent, "burntmp-"), qPrintable(next.ErrorText()));
            made = next.Path();
            Touch(next.FilePath("track01.pcm"));
            QStringList expected = lookAlikes;
            expected << "burntmp-Zz9876" << QFileInfo(running.Path()).fileName()
                     << QFileInfo(made).fileName();
            expected.sort();
            QCOMPARE(FilesIn(parent), expected);
        }
        QVERIFY(!QFileInfo::exists(made));
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo::exists(running.FilePath("track01.pcm")));
        QCOMPARE(FilesIn(userFolder), QStringList{"album.wav"});
        QVERIFY(QFileInfo(parent + "/burntmp-Zz9876").isSymLink());
    }

    // New outputs, partial or finished, and new items lists get 0666 less
    // the umask, as any program's new files do; not a private 0600.
    void newFilesFollowTheUmask_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("mode");
        QTest::newRow("022") << 022 << 0644;
        QTest::newRow("027") << 027 << 0640;
        QTest::newRow("002") << 002 << 0664;
    }
    void newFilesFollowTheUmask() {
        QFETCH(int, mask);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const mode_t old = ::umask(mode_t(mask));
        const unsigned reported = NewFileMode();
        PartialFile partial;
        const bool created = partial.Create(dir.path(), "a.wav");
        AudioEncoder enc;
        const auto pcm = Pcm(0.2);
        const bool encoded =
            enc.Open(dir.filePath("out.wav"), WavSetup(), EncoderTags{}, 44100, 2, SampleKind::S16) &&
            enc.Write(pcm.data(), qint64(pcm.size() / 2)) && enc.Finish();
        // A new items list too; a rewritten one keeps what it had.
        const bool listed = itemlists::WriteListBytes(dir.filePath("new.flst"), "<ITEM></ITEM>");
        Touch(dir.filePath("kept.flst"));
        QFile::setPermissions(dir.filePath("kept.flst"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const bool rewritten = itemlists::WriteListBytes(dir.filePath("kept.flst"), "<ITEM></ITEM>");
        ::umask(old);
        QCOMPARE(int(reported), mode);
        QVERIFY(created);
        QCOMPARE(int(ModeOf(partial.Path())), mode);
        QVERIFY2(encoded, qPrintable(enc.ErrorText()));
        QCOMPARE(int(ModeOf(dir.filePath("out.wav"))), mode);
        QVERIFY(listed && rewritten);
        QCOMPARE(int(ModeOf(dir.filePath("new.flst"))), mode);
        QCOMPARE(int(ModeOf(dir.filePath("kept.flst"))), 0600);
    }

    // A name of tens of thousands of characters is fitted in one pass: the
    // partial name and the committed name are within the file system's limit.
    void longNamesAreFitted() {
        QString title;
        for (int i = 0; i < 40000; ++i)
            title += (i % 3) ? QChar(0x00E9) : QChar(u'b');
        const QString fitted = FitNameToBytes(title + ".wav", 240, true);
        QVERIFY(fitted.endsWith(".wav"));
        QVERIFY(fitted.toUtf8().size() <= 240);
        QVERIFY(fitted.toUtf8().size() >= 238);
        QCOMPARE(QString::fromUtf8(fitted.toUtf8()), fitted);
        QCOMPARE(FitNameToBytes("short.wav", 240, true), QString("short.wav"));

        QTemporaryDir dir;
        AudioEncoder enc;
        QVERIFY2(enc.Open(dir.filePath(fitted), WavSetup(), EncoderTags{}, 44100, 2, SampleKind::S16),
                 qPrintable(enc.ErrorText()));
        const QStringList partial = FilesIn(dir.path());
        QCOMPARE(partial.size(), 1);
        QVERIFY(QFile::encodeName(partial.first()).size() <= kFileNameMaxBytes);
        const auto pcm = Pcm(0.2);
        QVERIFY(enc.Write(pcm.data(), qint64(pcm.size() / 2)));
        QVERIFY2(enc.Finish(), qPrintable(enc.ErrorText()));
        QCOMPARE(FilesIn(dir.path()), QStringList{fitted});
    }

    // A write that fails says why in the system's words: a full disk reads
    // "No space left on device" (the writer pointed at /dev/full, which
    // refuses every write as a full disk does), a file over the size limit
    // "File too large", also when the disk took part of a write first;
    // nothing is left behind.
    void writeFailuresNameTheReason() {
        Mp3Writer mp3;
        tMP3Settings m;
        m.Bitrate = 128;
        m.SampleRate = 44100;
        m.Quality = 5;
        QVERIFY2(mp3.Open("/dev/full", m, 44100, 2, EncoderTags{}), qPrintable(mp3.ErrorText()));
        std::vector<float> left(44100 * 2, 0.25f), right(44100 * 2, -0.25f);
        const float* planes[2] = {left.data(), right.data()};
        const bool written = mp3.Encode(planes, int(left.size())) && mp3.Finish();
        QVERIFY(!written);
        QVERIFY2(mp3.ErrorText().contains("No space left on device"), qPrintable(mp3.ErrorText()));

        QTemporaryDir dir;
        const auto pcm = Pcm(2.0);
        struct rlimit old {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 64 * 1024 + 333; // not a multiple of any buffer: a write is taken in part
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        AudioEncoder enc;
        const bool encoded =
            enc.Open(dir.filePath("big.wav"), WavSetup(), EncoderTags{}, 44100, 2, SampleKind::S16) &&
            enc.Write(pcm.data(), qint64(pcm.size() / 2)) && enc.Finish();
        // An MP3 whose last write the disk takes only in part names the reason too.
        EncoderSetup mp3Setup;
        mp3Setup.OutputFormat = 3;
        mp3Setup.MP3 = m;
        AudioEncoder mp3Enc;
        const auto longPcm = Pcm(8.0);
        const bool mp3Encoded =
            mp3Enc.Open(dir.filePath("big.mp3"), mp3Setup, EncoderTags{}, 44100, 2, SampleKind::S16) &&
            mp3Enc.Write(longPcm.data(), qint64(longPcm.size() / 2)) && mp3Enc.Finish();
        // A list that only partly fits: the short write is not taken for the reason.
        QString listReason;
        const bool listed =
            itemlists::WriteListBytes(dir.filePath("big.flst"), QByteArray(256 * 1024, 'x'), &listReason);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!encoded);
        QVERIFY2(enc.ErrorText().contains("File too large"), qPrintable(enc.ErrorText()));
        QVERIFY(!mp3Encoded);
        QVERIFY2(mp3Enc.ErrorText().contains("File too large"), qPrintable(mp3Enc.ErrorText()));
        QVERIFY(!listed);
        QCOMPARE(listReason, QString("File too large"));
        QCOMPARE(FilesIn(dir.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_outputfiles)
#include "tst_outputfiles.moc"

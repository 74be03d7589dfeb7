// The files Add Files takes: the extensions it offers, the characters it
// drops from a name, and the reason it gives for a file it refuses.
#include "MediaTools.h"
#include "TestEnv.h"
#include "components/cAudioConverter.h"
#include "itemlists/AddFilesProbe.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace itemlists;

namespace {

const auto writeAll = testsupport::writeFileBytes;
const auto ffmpeg = testsupport::runFfmpeg;
const auto sine = testsupport::sineInput;

} // namespace

class tst_addfilesprobe : public QObject {
    Q_OBJECT

    QTemporaryDir m_fixtures;
    QString m_textMp3;

private slots:
    void initTestCase() {
        QVERIFY(m_fixtures.isValid());
        m_textMp3 = m_fixtures.path() + "/notes.mp3";
        QVERIFY(writeAll(m_textMp3, "these are notes, not audio\n"));
    }

    void supportedExtensions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("supported");
        QTest::newRow("mp3 upper case") << "/a/song.MP3" << true;
        QTest::newRow("ogg") << "/a/x.ogg" << true;
        QTest::newRow("wav") << "/a/x.Wav" << true;
        QTest::newRow("wma") << "/a/x.wma" << true;
        QTest::newRow("no extension") << "/a/song" << true;
        QTest::newRow("dot in folder only") << "/a.ape/song" << true;
        QTest::newRow("part of the filter text") << "/a/x.wave" << true;
        QTest::newRow("ape") << "/a/track.ape" << false;
        QTest::newRow("flac") << "/a/x.flac" << false;
        QTest::newRow("mid") << "/a/x.mid" << false;
        QTest::newRow("txt") << "/a/x.txt" << false;
    }
    void supportedExtensions() {
        QFETCH(QString, name);
        QFETCH(bool, supported);
        QCOMPARE(SupportAudioFile(name), supported);
    }

    void legalNameDropsFirstOccurrences_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("plain") << "My Song.mp3"
                               << "My Song.mp3";
        QTest::newRow("one of each") << "a:b?c<d>e\\f/g*h|i.mp3"
                                     << "abcdefghi.mp3";
        QTest::newRow("only the first") << "a::b**c.mp3"
                                        << "a:b*c.mp3";
    }
    void legalNameDropsFirstOccurrences() {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(getLegaName(in), out);
    }

    // A refusal says why: not audio, unreadable (a link that leads round
    // in a circle cannot be read by anyone, root included), audio in a
    // container the program does not read, or more channels than it can use.
    void refusalsNameTheReason() {
        const QString loop = m_fixtures.path() + "/loop.mp3";
        QVERIFY(QFile::link(loop, loop));
        const QString aiff = m_fixtures.path() + "/aiff.wav";
        QVERIFY(ffmpeg(sine(1) + QStringList{"-f", "aiff", aiff}));
        // Nine channels of 16 bits, ten silent frames.
        const QString nine = m_fixtures.path() + "/nine.wav";
        QVERIFY(writeAll(nine, QByteArray("RIFF\xd8\x00\x00\x00"
                                          "WAVEfmt \x10\x00\x00\x00\x01\x00\x09\x00"
                                          "D\xac\x00\x00\xc8\x1c\x0c\x00\x12\x00\x10\x00"
                                          "data\xb4\x00\x00\x00",
                                          44) +
                                   QByteArray(180, '\0')));
        components::cAudioConverter conv;
        const struct {
            QString path;
            QString reason;
        } cases[] = {{m_textMp3, "It is not an audio file."},
                     {loop, "It cannot be read: Too many levels of symbolic links."},
                     {aiff, "It is not an audio file."},
                     {nine, "It has more channels than can be used (at most 8)."}};
        for (const auto& c : cases) {
            const AddFileResult r = ProbeFileForList(c.path, conv, AddTagDefaults{});
            QCOMPARE(r.kind, AddFileResult::Refused);
            QCOMPARE(r.reason, c.reason);
        }
    }
};

QTEST_GUILESS_MAIN(tst_addfilesprobe)
#include "tst_addfilesprobe.moc"

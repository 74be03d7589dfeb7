// The ID3v1 record: what is read from the last 128 bytes, what Update writes
// in place or appends, the files it refuses, and the genre names.
#include "TagFixtures.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v1.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace id3;
using namespace tagtests;

namespace {

QByteArray Padded(const QByteArray& s, int width, char pad = '\0') {
    return s.left(width) + QByteArray(qMax(0, width - int(s.size())), pad);
}

// A v1.1 record with zero-padded fields.
QByteArray Record(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                  const QByteArray& year, const QByteArray& comment, quint8 track, quint8 genre) {
    return "TAG" + Padded(title, 30) + Padded(artist, 30) + Padded(album, 30) + Padded(year, 4) +
           Padded(comment, 28) + '\0' + char(track) + char(genre);
}

} // namespace

class tst_id3v1 : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const QString& name, const QByteArray& bytes) {
        const QString p = m_dir.filePath(name);
        WriteAll(p, bytes);
        return p;
    }

private slots:
    void readsTheRecord_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<int>("track");
        QTest::addColumn<int>("genre");
        const QByteArray audio(500, 'a');
        QTest::newRow("zero padded") << audio + Record("Song", "Band", "LP", "1999", "Nice", 7, 17) << true
                                     << "Song"
                                     << "Nice" << 7 << 17;
        QTest::newRow("space padded, blanks trimmed")
            << audio + "TAG" + Padded("  Song  ", 30, ' ') + QByteArray(30 + 30 + 4 + 28, ' ') + '\0' + '\3' +
                   '\x0c'
            << true << "Song"
            << "" << 3 << 12;
        // What follows a zero byte is left-over bytes, not text.
        QTest::newRow("a zero byte ends the field")
            << audio + Record(QByteArray("ab\0cd", 5), "", "", "", "", 0, 255) << true << "ab"
            << "" << 0 << 255;
        // Without the zero byte before it, the last byte is the comment's, not a track.
        QTest::newRow("30-byte comment: no track")
            << audio + "TAG" + QByteArray(90, ' ') + "2000" + QByteArray(28, 'c') + 'x' + 'y' + '\x05' << true
            << "" << QString(28, 'c') + "xy" << 0 << 5;
        QTest::newRow("comment ending in a space is no track 32")
            << audio + "TAG" + QByteArray(90, ' ') + "2000" + QByteArray(28, 'c') + 'x' + ' ' + '\x05' << true
            << "" << QString(28, 'c') + "x" << 0 << 5;
        QTest::newRow("Windows-1252 text") << audio + Record("\x80uro \x96 \x93q\x94", "", "", "", "", 0, 0)
                                           << true << QString::fromUtf8("€uro – “q”") << "" << 0 << 0;
        QTest::newRow("exactly 128 bytes is not examined")
            << Record("Song", "", "", "", "", 1, 1) << false << ""
            << "" << 0 << 255;
        QTest::newRow("129 bytes, record from byte 1")
            << "x" + Record("Song", "", "", "", "", 1, 1) << true << "Song"
            << "" << 1 << 1;
        QTest::newRow("lower-case tag is no record")
            << audio + "tag" + Record("Song", "", "", "", "", 1, 1).mid(3) << false << ""
            << "" << 0 << 255;
        QTest::newRow("latin-1 text") << audio + Record("Caf\xe9", "", "", "", "", 0, 0) << true << "Café"
                                      << "" << 0 << 0;
    }
    void readsTheRecord() {
        QFETCH(QByteArray, bytes);
        cMP3ID3v1 v1;
        v1.setMP3File(file("read.mp3", bytes));
        QCOMPARE(v1.HasID3v1Tag(), FETCHED(bool, found));
        QCOMPARE(v1.Title(), FETCHED(QString, title));
        QCOMPARE(v1.Comment(), FETCHED(QString, comment));
        QCOMPARE(int(v1.Track()), FETCHED(int, track));
        QCOMPARE(int(v1.Genre()), FETCHED(int, genre));
    }

    void updateRewritesInPlaceOrAppends() {
        const QByteArray audio(1000, 'a');
        // No record: one is appended and nothing before it changes.
        const QString path = file("append.mp3", audio);
        cMP3ID3v1 v1;
        v1.setMP3File(path);
        QVERIFY(!v1.HasID3v1Tag());
        v1.setTitle(QString(31, 'T'));
        v1.setYear("20245");
        v1.setComment("Comment");
        v1.setTrack(200);
        v1.setGenre(255);
        v1.Update();
        QVERIFY(!v1.HasID3v1Tag()); // until the path is assigned again
        QByteArray bytes = ReadAll(path);
        QCOMPARE(bytes.size(), audio.size() + 128);
        QCOMPARE(bytes.left(audio.size()), audio);
        const QByteArray expected = "TAG" + QByteArray(30, 'T') + QByteArray(60, ' ') + "2024" + "Comment" +
                                    QByteArray(21, ' ') + '\0' + char(200) + char(255);
        QCOMPARE(bytes.mid(audio.size()), expected);

        // With a record: rewritten where it stands, the file keeps its length.
        v1.setMP3File(path);
        QVERIFY(v1.HasID3v1Tag());
        QCOMPARE(v1.Title(), QString(30, 'T'));
        v1.setTitle("Short");
        v1.setArtist(QString::fromUtf8("Ωmega")); // beyond Latin-1: "?"
        v1.Update();
        bytes = ReadAll(path);
        QCOMPARE(bytes.size(), audio.size() + 128);
        v1.setMP3File(path);
        QCOMPARE(v1.Title(), QStringLiteral("Short"));
        QCOMPARE(v1.Artist(), QStringLiteral("?mega"));
        QCOMPARE(int(v1.Track()), 200);

        // A full 30-byte comment (version 1.0, no track) read earlier: Update
        // writes the version 1.1 layout, a zero over its 29th byte and no track.
        const QString full = file("full.mp3", audio + "TAG" + QByteArray(94, ' ') + QByteArray(28, 'c') +
                                                  'x' + '\x09' + '\x01');
        v1.setMP3File(full);
        v1.Update();
        QCOMPARE(ReadAll(full).mid(audio.size() + 125, 3), QByteArray("\0\0\x01", 3));
    }

    void refusedFilesStayAsTheyWere_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        QTest::newRow("empty file") << QByteArray() << kErrNotValidMP3;
        QTest::newRow("one byte") << QByteArray("x") << kErrNotValidMP3;
        QTest::newRow("128 bytes") << Record("a", "", "", "", "", 0, 0) << kErrNotValidMP3;
    }
    void refusedFilesStayAsTheyWere() {
        QFETCH(QByteArray, bytes);
        const QString path = file("short.mp3", bytes);
        cMP3ID3v1 v1;
        v1.setMP3File(path);
        v1.setTitle("x");
        const TagError e = Raised([&] { v1.Update(); });
        QCOMPARE(e.Number, FETCHED(int, number));
        QCOMPARE(e.Description, path + " is not a valid MP3 file.");
        QVERIFY(e.Source.endsWith(".cMP3ID3v1"));
        QCOMPARE(ReadAll(path), bytes);
        QCOMPARE(Raised([&] { v1.CheckUpdate(); }).Number, e.Number);
    }

    void openFailures() {
        cMP3ID3v1 v1;
        const QString missing = m_dir.filePath("missing.mp3");
        TagError e = Raised([&] { v1.setMP3File(missing); });
        QCOMPARE(e.Number, ENOENT);
        QVERIFY(e.Source.endsWith(".cMP3ID3v1"));
        QCOMPARE(v1.MP3File(), missing);
        QCOMPARE(int(v1.Genre()), 255);
        // Update never creates the file.
        QCOMPARE(Raised([&] { v1.Update(); }).Number, ENOENT);
        QVERIFY(!QFile::exists(missing));

        // A file that cannot be written whatever the user's rights (root too):
        // after the read its folder was moved away and a regular file took its name.
        QVERIFY(QDir(m_dir.path()).mkdir("album"));
        const QString moved = file("album/song.mp3", QByteArray(300, 'a'));
        v1.setMP3File(moved);
        QVERIFY(QDir(m_dir.path()).rename("album", "kept"));
        WriteAll(m_dir.filePath("album"), "not a folder");
        v1.setTitle("x");
        QCOMPARE(Raised([&] { v1.Update(); }).Number, ENOTDIR);
        QCOMPARE(ReadAll(m_dir.filePath("kept/song.mp3")), QByteArray(300, 'a'));
        QCOMPARE(ReadAll(m_dir.filePath("album")), QByteArray("not a folder"));

        // A read-only file, where file permissions bind (they do not for root).
        const QString ro = file("ro.mp3", QByteArray(300, 'a'));
        QFile::setPermissions(ro, QFileDevice::ReadOwner);
        v1.setMP3File(ro);
        if (!QFileInfo(ro).isWritable()) QCOMPARE(Raised([&] { v1.Update(); }).Number, EACCES);
        QCOMPARE(ReadAll(ro), QByteArray(300, 'a'));
    }

    void aRecordThatCannotBeAppendedIsTakenOffAgain() {
        const QByteArray audio(4096 + 60, 'a');
        const QString path = file("full-disk.mp3", audio);
        cMP3ID3v1 v1;
        v1.setMP3File(path);
        v1.setTitle("x");
        // The limit leaves room for part of the record only.
        const TagError e = RaisedWithFileSizeLimit(4096 + 100, [&] { v1.Update(); });
        QCOMPARE(e.Number, EFBIG);
        QCOMPARE(ReadAll(path), audio);
    }

    void genreNames() {
        cMP3ID3v1 v1;
        int named = 0;
        for (int i = 0; i < 256; ++i)
            named += v1.GenreName(quint8(i)).isEmpty() ? 0 : 1;
        QCOMPARE(named, 147);
        QCOMPARE(v1.GenreName(0), QStringLiteral("Blues"));
        QCOMPARE(v1.GenreName(17), QStringLiteral("Rock"));
        QCOMPARE(v1.GenreName(71), QStringLiteral("Lo - fi"));
        QCOMPARE(v1.GenreName(78), QStringLiteral("Rock 'n'Roll"));
        QCOMPARE(v1.GenreName(109), QStringLiteral("Pr0n Groove"));
        QCOMPARE(v1.GenreName(122), QStringLiteral("Drum Solo"));
        QCOMPARE(v1.GenreName(124), QStringLiteral("Euro - House"));
        QCOMPARE(v1.GenreName(147), QStringLiteral("Synth Pop"));
        for (int code : {123, 148, 255})
            QCOMPARE(v1.GenreName(quint8(code)), QString());
    }
};

QTEST_GUILESS_MAIN(tst_id3v1)
#include "tst_id3v1.moc"

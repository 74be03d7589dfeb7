// The ID3v2 class on its own: the frame store, the reader's rules and the
// writer's exact bytes, rooms and in-place boundary, and that a file it
// cannot or must not rewrite stays as it was.
#include "TagFixtures.h"
#include "id3/ID3v2Format.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v2.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace id3;
using namespace tagtests;

namespace {

QByteArray Text(const QByteArray& latin1) {
    return '\0' + latin1;
}

QByteArray Audio() {
    QByteArray a;
    for (int i = 0; i < 3000; ++i)
        a.append(char(i * 7 + 1));
    a[0] = char(0xFF);
    a[1] = char(0xFB);
    return a;
}

} // namespace

class tst_id3v2 : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_n = 0;
    QString file(const QByteArray& bytes) {
        const QString p = m_dir.filePath(QStringLiteral("f%1.mp3").arg(++m_n));
        WriteAll(p, bytes);
        return p;
    }
    cMP3ID3v2 read(const QByteArray& bytes) {
        cMP3ID3v2 t;
        t.setMP3File(file(bytes));
        return t;
    }

private slots:
    void numbers() {
        using namespace v2;
        QCOMPARE(DecodeSynchsafe("\x00\x00\x08\x00"), 1024u);
        QCOMPARE(EncodeSynchsafe(2038), QByteArray("\x00\x00\x0F\x76", 4));
        QCOMPARE(EncodeSynchsafe(kMaxSynchsafe), QByteArray("\x7F\x7F\x7F\x7F", 4));
        QCOMPARE(RemoveUnsync(QByteArray("\xFF\x00\xE0\xFF\x00\x00\xFF", 7)),
                 QByteArray("\xFF\xE0\xFF\x00\xFF", 5));
    }

    void room_data() {
        QTest::addColumn<qint64>("tagBytes");
        QTest::addColumn<qint64>("room");
        QTest::newRow("empty store, 14 bytes") << qint64(14) << qint64(2048);
        QTest::newRow("28 bytes") << qint64(28) << qint64(2048);
        QTest::newRow("2047 bytes") << qint64(2047) << qint64(2048);
        QTest::newRow("2048 bytes") << qint64(2048) << qint64(4096);
        QTest::newRow("4097 bytes") << qint64(4097) << qint64(6144);
    }
    void room() { QCOMPARE(v2::TagRoom(FETCHED(qint64, tagBytes)), FETCHED(qint64, room)); }

    // ------------------------------------------------------------ the store

    void frameStore() {
        cMP3ID3v2 t;
        QCOMPARE(Raised([&] { t.FrameCount(); }).Number, kErrNoObject);
        QCOMPARE(t.TagsInFrame("TIT2"), 0);
        QCOMPARE(Raised([&] { t.setTitle("x"); }).Number, kErrNoObject);

        t = read(Audio());
        QVERIFY(!t.HasID3v2Tag());
        QCOMPARE(t.FrameCount(), 0);
        t.AddTag("TXXX", "one");
        t.AddTag("TIT2", "a");
        t.AddTag("txxx", "two");
        t.AddTag("TXXX", "three");
        QCOMPARE(t.FrameCount(), 2);
        QCOMPARE(t.Frame(1), QStringLiteral("TXXX"));
        QCOMPARE(t.TagsInFrame("Txxx"), 3);
        QCOMPARE(t.GetFrameValue("TIT2", 1), QStringLiteral("a"));
        QCOMPARE(Raised([&] { t.Frame(0); }).Number, kErrOutOfRange);
        QCOMPARE(Raised([&] { t.Frame(3); }).Number, kErrOutOfRange);

        t.RemoveTag("TXXX", 2);
        QCOMPARE(t.TagsInFrame("TXXX"), 2);
        QCOMPARE(t.GetFrameData("TXXX", 1).body, QByteArray("\0one", 4));
        QCOMPARE(t.GetFrameData("TXXX", 2).body, QByteArray("\0three", 6));
        const TagError e = Raised([&] { t.RemoveTag("TXXX", 3); });
        QCOMPARE(e.Number, kErrInvalidCall);
        QVERIFY(e.Source.endsWith(".cMP3ID3v2"));
        QCOMPARE(Raised([&] { t.RemoveFrame("TPE1"); }).Number, kErrInvalidCall);
        QCOMPARE(t.FrameCount(), 2);

        t.RemoveTag("TIT2", 1);
        QCOMPARE(t.FrameCount(), 1);
        t.RemoveFrame("txxx");
        QCOMPARE(t.FrameCount(), 0);
    }

    void settersRewriteOnlyChangedValues() {
        const QByteArray tit2 = Frame("TIT2", "\x01\xFF\xFE" + QByteArray("A\0B\0", 4));
        const QByteArray talb = Frame("TALB", Text("LP"));
        cMP3ID3v2 t = read(Tag(3, tit2 + talb, 100) + Audio());
        QCOMPARE(t.Title(), QStringLiteral("AB"));
        t.setTitle("AB"); // the same value: the UTF-16 frame stays as it is
        QCOMPARE(t.GetFrameData("TIT2", 1).body, tit2.mid(10));
        QCOMPARE(t.Frame(1), QStringLiteral("TIT2"));

        t.setTitle("New");
        QCOMPARE(t.Frame(t.FrameCount()), QStringLiteral("TIT2"));
        QCOMPARE(t.GetFrameData("TIT2", 1).body, Text("New"));
        t.setTitle(QString::fromUtf8("Новый"));
        QCOMPARE(t.GetFrameData("TIT2", 1).body,
                 QByteArray("\x01\xFF\xFE\x1D\x04\x3E\x04\x32\x04\x4B\x04\x39\x04", 13));
        t.setAlbum("");
        QCOMPARE(t.TagsInFrame("TALB"), 0);

        t.setGenre(17);
        t.setOtherGenreName("Rock");
        QCOMPARE(t.GetFrameData("TCON", 1).body, Text("(17)Rock"));
        t.setGenre(255);
        QCOMPARE(t.GetFrameData("TCON", 1).body, Text("Rock"));
        t.setOtherGenreName("");
        QCOMPARE(t.TagsInFrame("TCON"), 0); // no genre: no frame, not "(255)"

        t.setPlayCounter("258");
        QCOMPARE(t.GetFrameData("PCNT", 1).body, QByteArray("\0\0\x01\x02", 4));
        t.setAudioURL("http://a.example/x");
        QCOMPARE(t.GetFrameData("WOAF", 1).body, QByteArray("http://a.example/x"));
        t.setLinkTo("http://b.example");
        QCOMPARE(t.GetFrameData("WXXX", 1).body, QByteArray("\0\0http://b.example", 18));
    }

    void commentsAndLyrics() {
        const QByteArray described = Frame("COMM", QByteArray("\0engdesc\0other", 14));
        const QByteArray plain = Frame("COMM", QByteArray("\0eng\0main", 9));
        const QByteArray oldLyrics = Frame("USLT", QByteArray("\0\0Old lyrics", 12));
        const QByteArray oldComment = Frame("COMM", QByteArray("\0\0nt\0Older", 10));
        cMP3ID3v2 t = read(Tag(3, described + plain + oldLyrics) + Audio());
        QCOMPARE(t.Comment(), QStringLiteral("main"));
        QCOMPARE(t.Lyrics(), QStringLiteral("Old lyrics"));
        t.setComment(QString::fromUtf8("main ✓"));
        QCOMPARE(t.TagsInFrame("COMM"), 2);
        QCOMPARE(t.GetFrameData("COMM", 1).body, described.mid(10));
        QCOMPARE(t.GetFrameData("COMM", 2).body, QByteArray("\x01"
                                                            "eng\xFF\xFE\0\0\xFF\xFEm\0a\0i\0n\0 \0\x13\x27",
                                                            22));
        t.setLyrics("New");
        QCOMPARE(t.GetFrameData("USLT", 1).body, QByteArray("\0eng\0New", 8));

        QCOMPARE(read(Tag(3, oldComment) + Audio()).Comment(), QStringLiteral("Older"));
    }

    // ------------------------------------------------------------ the reader

    void readerRules_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("tag");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("frames");
        const QByteArray a = Audio();
        const QByteArray tit2 = Frame("TIT2", Text("Song"));
        QTest::newRow("v2.3") << Tag(3, tit2, 20) + a << true << 3 << "Song" << 1;
        QTest::newRow("v2.4 synchsafe frame size") << Tag(4, Frame("TIT2", Text(QByteArray(256, 'x')), 4)) + a
                                                   << true << 4 << QString(256, 'x') << 1;
        QTest::newRow("last frame fills the tag exactly")
            << Tag(3, tit2 + tit2) + a << true << 3 << "Song" << 2;
        QTest::newRow("v2.2 TT2 and unknown TP2")
            << QByteArray("ID3\x02\x00\x00", 6) + SyncSafe(6 + 5 + 6 + 3 + 30) + "TT2" +
                   QByteArray("\0\0\x05", 3) + Text("Song") + "TP2" + QByteArray("\0\0\x03", 3) + Text("ab") +
                   QByteArray(30, '\0') + a
            << true << 2 << "Song" << 1;
        QTest::newRow("UTF-16 BE, UTF-8")
            << Tag(4, Frame("TIT2", QByteArray("\x02\0S\0o", 5), 4) + Frame("TPE1", Text("x"), 4)) + a << true
            << 4 << "So" << 1;
        QTest::newRow("unsynchronised v2.3 tag")
            << Tag(3,
                   Frame("TIT2", QByteArray("\0\xFF\x00\xFE", 4))
                       .replace("\x00\x00\x00\x04", 4, "\x00\x00\x00\x03", 4),
                   0, 0x80) +
                   a
            << true << 3 << QString::fromLatin1("\xFF\xFE") << 1;
        QTest::newRow("v2.3 extended header")
            << Tag(3, BE32(6) + QByteArray(6, '\0') + tit2, 0, 0x40) + a << true << 3 << "Song" << 1;
        QTest::newRow("v2.4 extended header")
            << Tag(4, SyncSafe(6) + QByteArray("\x01\x00", 2) + Frame("TIT2", Text("Song"), 4), 0, 0x40) + a
            << true << 4 << "Song" << 1;
        QTest::newRow("version 5 is no tag") << Tag(5, tit2) + a << false << 0 << "" << 0;
        QTest::newRow("size byte 0x80 is no tag")
            << QByteArray("ID3\x03\x00\x00\x00\x00\x80\x00", 10) + tit2 + a << false << 0 << "" << 0;
        QTest::newRow("tag longer than the file") << Tag(3, tit2, 100000).left(200) << false << 0 << "" << 0;
        QTest::newRow("ID3 inside the audio") << a + Tag(3, tit2) + a << false << 0 << "" << 0;
        QTest::newRow("ID3 inside the v1 record")
            << a + "TAGID3" + QByteArray(122, ' ') << false << 0 << "" << 0;
    }
    void readerRules() {
        QFETCH(QByteArray, bytes);
        const cMP3ID3v2 t = read(bytes);
        QCOMPARE(t.HasID3v2Tag(), FETCHED(bool, tag));
        QCOMPARE(int(t.TagVersion()), FETCHED(int, version));
        QCOMPARE(t.Title(), FETCHED(QString, title));
        QCOMPARE(t.TagsInFrame("TIT2"), FETCHED(int, frames));
    }

    void genreRule_data() {
        QTest::addColumn<QString>("tcon");
        QTest::addColumn<int>("genre");
        QTest::addColumn<QString>("other");
        QTest::newRow("(17)Rock") << "(17)Rock" << 17 << "Rock";
        QTest::newRow("(17)") << "(17)" << 17 << "Rock";
        QTest::newRow("(0)") << "(0)" << 0 << "Blues";
        QTest::newRow("(17)X") << "(17)X" << 17 << "X";
        QTest::newRow("(200)") << "(200)" << 200 << "";
        QTest::newRow("free text") << "Rock" << 255 << "Rock";
        QTest::newRow("(300)") << "(300)" << 255 << "(300)";
        QTest::newRow("()") << "()" << 255 << "()";
        QTest::newRow(")x(") << ")x(" << 255 << ")x(";
    }
    void genreRule() {
        QFETCH(QString, tcon);
        const cMP3ID3v2 t = read(Tag(3, Frame("TCON", Text(tcon.toLatin1()))) + Audio());
        QCOMPARE(int(t.Genre()), FETCHED(int, genre));
        QCOMPARE(t.OtherGenreName(), FETCHED(QString, other));
    }

    void readingResetsAndFails() {
        cMP3ID3v2 t = read(Tag(3, Frame("USLT", QByteArray("\0eng\0words", 10))) + Audio());
        QCOMPARE(t.Lyrics(), QStringLiteral("words"));
        t.setMP3File(file(Audio()));
        QCOMPARE(t.Lyrics(), QString());
        const TagError e = Raised([&] { t.setMP3File(m_dir.filePath("missing.mp3")); });
        QCOMPARE(e.Number, ENOENT);
        QVERIFY(e.Source.endsWith(".cMP3ID3v2"));
        QCOMPARE(t.FrameCount(), 0);
    }

    // ------------------------------------------------------------ the writer

    void writesTheExactTag() {
        const QByteArray a = Audio();
        const QString path = file(a);
        cMP3ID3v2 t;
        t.setMP3File(path);
        t.setTitle("abc");
        t.Update();
        QByteArray bytes = ReadAll(path);
        const QByteArray expected("ID3\x03\x00\x00\x00\x00\x0F\x76TIT2\x00\x00\x00\x04\x00\x00\x00"
                                  "abc\x00\x00\x00\x00",
                                  28);
        QCOMPARE(bytes.left(28), expected);
        QCOMPARE(bytes.mid(28, 2048 - 28), QByteArray(2048 - 28, '\0'));
        QCOMPARE(bytes.mid(2048), a);
        QVERIFY(!t.HasID3v2Tag()); // until read again

        // The same store again: in place, same size field, same length.
        t.Update();
        QCOMPARE(ReadAll(path), bytes);

        // An empty store is 14 bytes in a room of 2048.
        cMP3ID3v2 empty;
        const QString p2 = file(a);
        empty.setMP3File(p2);
        QCOMPARE(empty.RenderTag().size(), 14);
        empty.Update();
        QCOMPARE(ReadAll(p2).size(), 2048 + a.size());
    }

    void inPlaceBoundary_data() {
        QTest::addColumn<int>("tagBytes");
        QTest::addColumn<int>("grownBy");
        QTest::addColumn<QByteArray>("sizeBytes");
        QTest::newRow("1033 bytes fit a room of 1034") << 1033 << 0 << QByteArray("\x00\x00\x08\x00", 4);
        QTest::newRow("1034 bytes do not") << 1034 << 1014 << QByteArray("\x00\x00\x0F\x76", 4);
    }
    void inPlaceBoundary() {
        QFETCH(int, tagBytes);
        const QByteArray a = Audio();
        // A region of 1034 bytes: size field 1024.
        const QByteArray old = Tag(3, Frame("TIT2", Text(QByteArray(500, 'o'))), 1024 - 511);
        QCOMPARE(old.size(), 1034);
        const QString path = file(old + a);
        cMP3ID3v2 t;
        t.setMP3File(path);
        // 10 header + 10 frame header + 1 encoding byte + text + 4 end bytes.
        t.setTitle(QString(tagBytes - 25, 'n'));
        QCOMPARE(t.RenderTag().size(), tagBytes);
        t.Update();
        const QByteArray bytes = ReadAll(path);
        QCOMPARE(bytes.size() - (1034 + a.size()), FETCHED(int, grownBy));
        QCOMPARE(bytes.mid(6, 4), FETCHED(QByteArray, sizeBytes));
        const int region = 10 + int(v2::DecodeSynchsafe(bytes.constData() + 6));
        QCOMPARE(bytes.mid(tagBytes, region - tagBytes), QByteArray(region - tagBytes, '\0'));
        QCOMPARE(bytes.mid(region), a);
    }

    void writerDetails() {
        cMP3ID3v2 t = read(Audio());
        t.AddTag("TXXX", QString(69999 - 1, 'x'));
        QCOMPARE(t.GetFrameData("TXXX", 1).body.size(), 69999);
        t.RemoveFrame("TXXX");
        t.AddTag("PRIV", QString());
        t.RemoveFrame("PRIV");
        t.setComposer(QString(69999, 'c'));
        QByteArray tag = t.RenderTag();
        QCOMPARE(tag.mid(14, 4), QByteArray("\x00\x01\x11\x70", 4));

        t.AddTag("xID3", "skipped");
        t.setTitle("last");
        tag = t.RenderTag();
        QVERIFY(!tag.contains("xID3"));
        QCOMPARE(tag.indexOf("TCOM"), 10);
        QVERIFY(tag.indexOf("TIT2") > tag.indexOf("TCOM"));

        t.AddTag("TT2", "short id");
        const TagError e = Raised([&] { t.Update(); });
        QCOMPARE(e.Number, kErrInvalidCall);
    }

    void shorterTagOverLongerReadsBackExactly() {
        const QByteArray frames = Frame("TIT2", Text("Title")) + Frame("TPE1", Text("Artist")) +
                                  Frame("TALB", Text(QByteArray(300, 'l')));
        const QString path = file(Tag(3, frames, 50) + Audio());
        cMP3ID3v2 t;
        t.setMP3File(path);
        t.setAlbum("");
        t.Update();
        t.setMP3File(path);
        QCOMPARE(t.FrameCount(), 2);
        QCOMPARE(t.Album(), QString());
        QCOMPARE(t.Artist(), QStringLiteral("Artist"));
        QCOMPARE(ReadAll(path).size(), 10 + frames.size() + 50 + Audio().size());
    }

    void keepsVersion24AndItsFrames() {
        const QByteArray txxx = Frame("TXXX",
                                      QByteArray("\x03"
                                                 "desc\0\xC3\xA9t\xC3\xA9",
                                                 11),
                                      4);
        const QByteArray flagged =
            Frame("TPE1", QByteArray("\0\0\0\x02\0A", 6), 4, 0x0001); // data length indicator
        const QString path = file(Tag(4, txxx + flagged, 30) + Audio());
        cMP3ID3v2 t;
        t.setMP3File(path);
        QCOMPARE(t.Artist(), QStringLiteral("A"));
        t.setTitle("x");
        t.setYear("2024");
        t.Update();
        const QByteArray bytes = ReadAll(path);
        QCOMPARE(bytes.at(3), '\x04');
        QVERIFY(bytes.contains(txxx));
        QVERIFY(bytes.contains(flagged));
        QVERIFY(bytes.contains(Frame("TDRC", Text("2024"), 4)));
    }

    void version22BecomesVersion23() {
        const QByteArray comm("\0engdesc\0text", 13);
        const QByteArray v22 = QByteArray("ID3\x02\x00\x00", 6) + SyncSafe(6 + 5 + 6 + 13 + 20) + "TT2" +
                               QByteArray("\0\0\x05", 3) + Text("Song") + "COM" + QByteArray("\0\0\x0D", 3) +
                               comm + QByteArray(20, '\0');
        const QString path = file(v22 + Audio());
        cMP3ID3v2 t;
        t.setMP3File(path);
        QCOMPARE(t.Title(), QStringLiteral("Song"));
        t.setArtist("Band");
        t.Update();
        t.setMP3File(path);
        QCOMPARE(int(t.TagVersion()), 3);
        QCOMPARE(t.GetFrameData("COMM", 1).body, comm);
        QCOMPARE(t.Artist(), QStringLiteral("Band"));
        QVERIFY(ReadAll(path).endsWith(Audio()));
    }

    void refusesWhatItCannotCarryOver_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray a = Audio();
        QTest::newRow("frame past the tag end") << Tag(3, Frame("TIT2", Text("x")) + "TPE1" + BE32(5000) +
                                                              QByteArray(2, '\0') + QByteArray(20, 'z')) +
                                                       a;
        QTest::newRow("garbage frame id")
            << Tag(3, Frame("TIT2", Text("x")) + "t?t\x01" + QByteArray(30, 'z')) + a;
        QTest::newRow("header version 5") << Tag(5, Frame("TIT2", Text("x"))) + a;
        QTest::newRow("tag size past the file") << Tag(3, Frame("TIT2", Text("x")), 1 << 20).left(500);
    }
    void refusesWhatItCannotCarryOver() {
        QFETCH(QByteArray, bytes);
        const QString path = file(bytes);
        cMP3ID3v2 t;
        t.setMP3File(path);
        t.setTitle("changed");
        QCOMPARE(Raised([&] { t.CheckUpdate(); }).Number, kErrCannotRewrite);
        const TagError e = Raised([&] { t.Update(); });
        QCOMPARE(e.Number, kErrCannotRewrite);
        QVERIFY(e.Description.startsWith(path));
        QCOMPARE(ReadAll(path), bytes);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Hidden | QDir::Files).filter(".f").size(), 0);
    }

    void failuresLeaveTheFile() {
        const QByteArray a = Audio();
        // A missing file is never created.
        cMP3ID3v2 t = read(a);
        const QString missing = m_dir.filePath("gone.mp3");
        QVERIFY(!Raised([&] { t.setMP3File(missing); }).Description.isEmpty());
        t.setMP3File(file(a));
        t.setTitle("x");
        QFile::remove(t.MP3File());
        QCOMPARE(Raised([&] { t.Update(); }).Number, ENOENT);
        QVERIFY(!QFile::exists(t.MP3File()));

        // No temporary file can be made beside the file, whatever the user's
        // rights (root too): after the read its folder was moved away and a
        // regular file took its name. Nothing is left behind.
        QVERIFY(QDir(m_dir.path()).mkdir("album"));
        const QString inAlbum = m_dir.filePath("album/song.mp3");
        WriteAll(inAlbum, a);
        t.setMP3File(inAlbum);
        QVERIFY(QDir(m_dir.path()).rename("album", "kept"));
        WriteAll(m_dir.filePath("album"), "not a folder");
        t.setTitle("x");
        QCOMPARE(Raised([&] { t.Update(); }).Number, ENOTDIR);
        QCOMPARE(ReadAll(m_dir.filePath("kept/song.mp3")), a);
        QCOMPARE(ReadAll(m_dir.filePath("album")), QByteArray("not a folder"));
        QCOMPARE(
            QDir(m_dir.filePath("kept")).entryList(QDir::Hidden | QDir::Files | QDir::NoDotAndDotDot).size(),
            1);

        // Where file permissions bind (they do not for root): a read-only file,
        // and a folder where no temporary file can be made.
        if (::geteuid() == 0) return;
        // Read-only file.
        const QString ro = file(a);
        QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        t.setMP3File(ro);
        t.setTitle("x");
        const TagError e = Raised([&] { t.Update(); });
        QCOMPARE(e.Number, EACCES);
        QVERIFY(e.Source.endsWith(".cMP3ID3v2"));
        QCOMPARE(ReadAll(ro), a);

        // A folder where no temporary file can be made: the file stays, nothing is left behind.
        QDir(m_dir.path()).mkdir("locked");
        const QString inLocked = m_dir.filePath("locked/song.mp3");
        WriteAll(inLocked, a);
        QFile::setPermissions(m_dir.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        t.setMP3File(inLocked);
        t.setTitle("x");
        QCOMPARE(Raised([&] { t.Update(); }).Number, EACCES);
        QCOMPARE(ReadAll(inLocked), a);
        QCOMPARE(QDir(m_dir.filePath("locked"))
                     .entryList(QDir::Hidden | QDir::Files | QDir::NoDotAndDotDot)
                     .size(),
                 1);
        QFile::setPermissions(m_dir.filePath("locked"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void aCopyThatFailsLeavesTheOriginal() {
        // The disk "fills" while the grown file is written beside the original.
        QByteArray big = Audio();
        while (big.size() < 300 * 1024)
            big += big;
        const QString path = file(big);
        cMP3ID3v2 t;
        t.setMP3File(path);
        t.setTitle("x");
        const TagError e = RaisedWithFileSizeLimit(100 * 1024, [&] { t.Update(); });
        QCOMPARE(e.Number, EFBIG);
        QVERIFY(e.Source.endsWith(".cMP3ID3v2"));
        QCOMPARE(ReadAll(path), big);
        QCOMPARE(QDir(m_dir.path())
                     .entryList(QDir::Hidden | QDir::Files)
                     .filter(QRegularExpression("^\\."))
                     .size(),
                 0);
    }

    // A rewrite killed mid-copy leaves its hidden copy beside the user's MP3;
    // the next rewrite in that folder removes it. A link that only looks like
    // such a copy is left alone, and so is the user's file it leads to.
    void aKilledRewritesCopyIsRemovedByTheNextOne() {
        QTemporaryDir folder;
        const QByteArray a = Audio();
        const QString song = folder.filePath("song.mp3");
        WriteAll(song, a);
        const QString killed = folder.filePath(".song.mp3.part-Ab12Cd");
        WriteAll(killed, QByteArray(64 * 1024, 'k'));
        const QString userFile = folder.filePath("notes.txt");
        WriteAll(userFile, "the user's own");
        const QString lookAlike = folder.filePath(".notes.txt.part-Zz9876");
        QVERIFY(QFile::link(userFile, lookAlike));

        cMP3ID3v2 t;
        t.setMP3File(song);
        t.setTitle("grown");
        t.Update();

        QStringList names = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.sort();
        QCOMPARE(names, QStringList({".notes.txt.part-Zz9876", "notes.txt", "song.mp3"}));
        QCOMPARE(ReadAll(userFile), QByteArray("the user's own"));
        QCOMPARE(ReadAll(song).right(a.size()), a);
    }

    void growingKeepsPermissionsAndLinks() {
        const QString path = file(Audio());
        ::chmod(QFile::encodeName(path).constData(), 0640);
        const QString link = m_dir.filePath("link.mp3");
        QVERIFY(QFile::link(path, link));
        cMP3ID3v2 t;
        t.setMP3File(link);
        t.setTitle("through the link");
        t.Update();
        QVERIFY(QFileInfo(link).isSymLink());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), 0640);
        t.setMP3File(path);
        QCOMPARE(t.Title(), QStringLiteral("through the link"));
        QCOMPARE(QDir(m_dir.path())
                     .entryList(QDir::Hidden | QDir::Files)
                     .filter(QRegularExpression("^\\."))
                     .size(),
                 0);
    }
};

QTEST_GUILESS_MAIN(tst_id3v2)
#include "tst_id3v2.moc"

// The MP3 Tags Editor driven headless: loading (ID3v1 first, then every
// non-empty ID3v2 value), editing, Apply and reading back; genre matching;
// the version choice; and every error path showing its message with the
// file left as it was.
#include "TagEditorFixture.h"
#include "TagFixtures.h"
#include "TestEnv.h"
#include "controls/cTabControl.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v1.h"
#include "id3/cMP3ID3v2.h"
#include "tags/frmMP3TagsEditor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace tagtests;
using testsupport::TestEnv;

namespace {

QByteArray Text(const QByteArray& latin1) {
    return '\0' + latin1;
}

QByteArray Audio() {
    QByteArray a("\xFF\xFB\x90\x00", 4);
    for (int i = 0; i < 2000; ++i)
        a.append(char(i * 13 + 5));
    return a;
}

QByteArray V1(const QByteArray& title, quint8 track, quint8 genre) {
    auto field = [](const QByteArray& s, int n) {
        return s.left(n) + QByteArray(n - qMin<int>(n, s.size()), ' ');
    };
    return "TAG" + field(title, 30) + field("V1 Artist", 30) + field("V1 Album", 30) + field("1990", 4) +
           field("V1 comment", 28) + '\0' + char(track) + char(genre);
}

const QByteArray kPriv = Frame("PRIV", QByteArray("owner\0\x01\x02\x03\xFF", 10));
// A comment in UTF-16 with CR LF line ends, which a text box shows with LF only.
const QByteArray kComm = Frame("COMM", QByteArray("\x01"
                                                  "eng\xFF\xFE\0\0\xFF\xFEl\0\r\0\n\0m\0",
                                                  18));

} // namespace

class tst_tageditor : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    int m_n = 0;

    QString file(const QByteArray& bytes) {
        const QString p = env->path(QStringLiteral("songs/s%1.mp3").arg(++m_n));
        WriteAll(p, bytes);
        return p;
    }
    // A file with both tags: ID3v2 holds title, artist, genre, track and a private frame.
    QByteArray bothTags(const QByteArray& tcon = "(17)Rock") {
        const QByteArray frames = Frame("TIT2", Text("V2 Title")) + Frame("TPE1", Text("V2 Artist")) +
                                  Frame("TCON", Text(tcon)) + Frame("TRCK", Text("7/9")) + kPriv + kComm;
        return Tag(3, frames, 64) + Audio() + V1("V1 Title", 5, 8);
    }
    std::unique_ptr<frmMP3TagsEditor> open(const QString& path) {
        return OpenTagsEditor(env->services(), path);
    }
    QString lastMessage() const { return LastPrompt(env->services()); }

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void opensFresh() {
        frmMP3TagsEditor w;
        w.Form_Load();
        QCOMPARE(w.windowTitle(), QStringLiteral("MP3 Tags Editor"));
        QCOMPARE(w.cboID3->currentText(), QStringLiteral("ID3 v1+v2"));
        QCOMPARE(w.cTabControl1->TabCount(), 3);
        QVERIFY(!w.cmdApply->isEnabled());
        QCOMPARE(w.cboGenre->count(), 148);
        QCOMPARE(w.cboGenre->itemData(0).toInt(), 255);
        QCOMPARE(w.cboGenre->itemText(124), QStringLiteral("Euro - House"));
        QCOMPARE(w.cboGenre->itemData(124).toInt(), 124);
        QVERIFY(!w.froGeneral->isHidden());
        QVERIFY(w.froLyric->isHidden());

        // A cancelled dialog changes nothing.
        env->services().openAnswers.enqueue({});
        w.cmdSelectFile_Click();
        QVERIFY(!w.cmdApply->isEnabled());
        QCOMPARE(env->services().openRequests.last().title, QStringLiteral("Open MP3 audio file"));
    }

    void loadEditApplyReload() {
        const QByteArray original = bothTags();
        const QString path = file(original);
        auto w = open(path);
        QCOMPARE(w->sSourceFile->toPlainText(), path);
        QVERIFY(w->cmdApply->isEnabled());
        QCOMPARE(w->txtTitle->text(), QStringLiteral("V2 Title")); // ID3v2 wins
        QCOMPARE(w->txtAlbum->text(), QStringLiteral("V1 Album")); // ID3v2 empty: ID3v1 stays
        QCOMPARE(w->txtYear->text(), QStringLiteral("1990"));
        QCOMPARE(w->txtTrackNum->text(), QStringLiteral("7/9"));
        QCOMPARE(w->cboGenre->currentText(), QStringLiteral("Rock"));
        QCOMPARE(w->txtDescription->toPlainText(), QStringLiteral("l\nm"));

        w->txtTitle->setText(QString::fromUtf8("Nouveau titre ✓"));
        w->txtLyric->setPlainText("La la la");
        w->txtURL->setText("http://example.com/");
        w->cmdApply_Click();
        QCOMPARE(lastMessage(), QStringLiteral("Done."));
        QCOMPARE(env->services().messages.last().style, int(core::vbInformation));
        QCOMPARE(env->services().messages.last().title, core::g_sProductName + " " + core::g_sProductVersion);

        id3::cMP3ID3v1 v1;
        v1.setMP3File(path);
        QCOMPARE(v1.Title(), QStringLiteral("Nouveau titre ?"));
        QCOMPARE(v1.Album(), QStringLiteral("V1 Album"));
        QCOMPARE(int(v1.Track()), 5); // the box does not write the ID3v1 track
        QCOMPARE(int(v1.Genre()), 17);
        id3::cMP3ID3v2 v2;
        v2.setMP3File(path);
        QCOMPARE(v2.Title(), QString::fromUtf8("Nouveau titre ✓"));
        QCOMPARE(v2.Album(), QStringLiteral("V1 Album"));
        QCOMPARE(v2.Lyrics(), QStringLiteral("La la la"));
        QCOMPARE(v2.LinkTo(), QStringLiteral("http://example.com/"));
        QCOMPARE(v2.GetFrameData("TCON", 1).body, Text("(17)Rock")); // untouched genre
        QCOMPARE(v2.GetFrameData("PRIV", 1).body, kPriv.mid(10));
        QCOMPARE(v2.GetFrameData("COMM", 1).body, kComm.mid(10)); // untouched: the same bytes
        QCOMPARE(v2.GetFrameData("TRCK", 1).body, Text("7/9"));
        const QByteArray after = ReadAll(path);
        QVERIFY(after.contains(Audio() + "TAG"));

        // Reloading the file shows what was written.
        auto again = open(path);
        QCOMPARE(again->txtTitle->text(), QString::fromUtf8("Nouveau titre ✓"));
        QCOMPARE(again->txtLyric->toPlainText(), QStringLiteral("La la la"));
    }

    void genreMatching_data() {
        QTest::addColumn<QByteArray>("tcon");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("v1Genre");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("Rock stays 17") << QByteArray("(8)") << "Rock" << 17 << QByteArray("(17)Rock");
        QTest::newRow("Folk stays 80") << QByteArray("(8)") << "Folk" << 80 << QByteArray("(80)Folk");
        QTest::newRow("beginning of Classical")
            << QByteArray("(8)") << "Clas" << 1 << QByteArray("(1)Classic Rock");
        // No genre is no TCON frame: a written "(255)" shows as "Unknown" elsewhere.
        QTest::newRow("other letter case") << QByteArray("(8)") << "rock" << 255 << QByteArray();
        QTest::newRow("emptied") << QByteArray("(8)") << "" << 255 << QByteArray();
        QTest::newRow("free text untouched")
            << QByteArray("Chillwave") << "Chillwave" << 8 << QByteArray("Chillwave");
        QTest::newRow("loaded genre untouched") << QByteArray("(17)") << "Rock" << 17 << QByteArray("(17)");
        QTest::newRow("code with own text untouched")
            << QByteArray("(17)X") << "Rock" << 17 << QByteArray("(17)X");
    }
    void genreMatching() {
        QFETCH(QByteArray, tcon);
        QFETCH(QString, typed);
        const QString path = file(bothTags(tcon));
        auto w = open(path);
        w->cboGenre->setEditText(typed);
        w->cmdApply_Click();
        QCOMPARE(lastMessage(), QStringLiteral("Done."));
        id3::cMP3ID3v1 v1;
        v1.setMP3File(path);
        QCOMPARE(int(v1.Genre()), FETCHED(int, v1Genre));
        id3::cMP3ID3v2 v2;
        v2.setMP3File(path);
        if (FETCHED(QByteArray, written).isNull())
            QCOMPARE(v2.TagsInFrame("TCON"), 0);
        else
            QCOMPARE(v2.GetFrameData("TCON", 1).body, Text(FETCHED(QByteArray, written)));
    }

    void versionOneOnly() {
        const QByteArray original = bothTags();
        const QString path = file(original);
        auto w = open(path);
        w->txtLyric->setPlainText("typed");
        w->cboID3->setCurrentIndex(0);
        QCOMPARE(w->cTabControl1->TabCount(), 1);
        QCOMPARE(w->txtTitle->text(), QStringLiteral("V1 Title"));
        QCOMPARE(w->txtTrackNum->text(), QString());
        QCOMPARE(w->txtLyric->toPlainText(), QString());
        QCOMPARE(w->cboGenre->currentText(), QStringLiteral("Jazz"));
        w->txtTitle->setText("Only v1");
        w->cmdApply_Click();
        QCOMPARE(lastMessage(), QStringLiteral("Done."));
        const QByteArray after = ReadAll(path);
        QCOMPARE(after.size(), original.size());
        QCOMPARE(after.left(after.size() - 128), original.left(original.size() - 128)); // ID3v2 untouched
        id3::cMP3ID3v1 v1;
        v1.setMP3File(path);
        QCOMPARE(v1.Title(), QStringLiteral("Only v1"));
        QCOMPARE(int(v1.Track()), 5);
    }

    void errorsLeaveTheFile_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("ID3v1 on a file of 100 bytes")
            << 2 << QByteArray(100, 'x') << " is not a valid MP3 file.(-2147217407)";
        QTest::newRow("damaged ID3v2 tag")
            << 2
            << Tag(3, Frame("TIT2", Text("x")) + "TPE1" + BE32(9000) + QByteArray(12, 'z')) + Audio() +
                   V1("t", 1, 1)
            << "rewriting it would lose the part that cannot be read. The file was left "
               "unchanged.(-2147217406)";
        QTest::newRow("ID3v2 header of an unknown version")
            << 1 << Tag(6, Frame("TIT2", Text("x"))) + Audio() << "(-2147217406)";
    }
    void errorsLeaveTheFile() {
        QFETCH(QByteArray, bytes);
        const QString path = file(bytes);
        auto w = open(path);
        w->cboID3->setCurrentIndex(FETCHED(int, version));
        w->txtTitle->setText("changed");
        w->txtLyric->setPlainText("changed");
        w->cmdApply_Click();
        QVERIFY2(lastMessage().endsWith(FETCHED(QString, message)), qPrintable(lastMessage()));
        QCOMPARE(ReadAll(path), bytes);
    }

    void missingFileIsNeverCreated() {
        const QString path = file(bothTags());
        auto w = open(path);
        QFile::remove(path);
        w->txtTitle->setText("changed");
        w->cmdApply_Click();
        QCOMPARE(lastMessage(), QString::fromLocal8Bit(strerror(ENOENT)) + "(2)");
        QVERIFY(!QFile::exists(path));

        // Several files chosen: the box keeps its path and that file is loaded again.
        WriteAll(path, bothTags());
        env->services().openAnswers.enqueue({path, env->path("songs/other.mp3")});
        w->cmdSelectFile_Click();
        QCOMPARE(w->sSourceFile->toPlainText(), path);
        QCOMPARE(w->txtTitle->text(), QStringLiteral("V2 Title"));
    }

    void showFunction() {
        const QString path = file(bothTags());
        frmMP3TagsEditor* w = tags::ShowMP3TagsEditor(path);
        QVERIFY(w);
        QCOMPARE(tags::g_frmMP3TagsEditor.data(), w);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QVERIFY(!w->parentWidget());
        QCOMPARE(w->txtTitle->text(), QStringLiteral("V2 Title"));
        QVERIFY(w->cmdApply->isEnabled());
        QCOMPARE(tags::ShowMP3TagsEditor(), w);
        w->cmdClose_Click();
        QTRY_VERIFY(tags::g_frmMP3TagsEditor.isNull());
    }
};

QTEST_MAIN(tst_tageditor)
#include "tst_tageditor.moc"

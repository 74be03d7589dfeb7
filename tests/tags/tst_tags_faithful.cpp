// Tags as real files carry them: one fixture per way outside tags were found
// to be misread (tag_fixtures.py writes them; mutagen writes most, the broken
// and the older forms are built byte by byte), each read by the tag classes
// and compared with what mutagen reads. Then the title of every fixture is
// edited through cMP3ID3v2 and through the MP3 Tags Editor, after which
// mutagen reads the new title and every other frame unchanged (pictures byte
// for byte), or the edit is refused with a message and the file kept.
#include "TagEditorFixture.h"
#include "TagFixtures.h"
#include "TestEnv.h"
#include "core/Services.h"
#include "id3/Mp3Tags.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v1.h"
#include "id3/cMP3ID3v2.h"
#include "tags/frmMP3TagsEditor.h"

#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QtTest>

using namespace tagtests;
using testsupport::TestEnv;

namespace {

// What mutagen reads of each file: the ID3v2 frames (translated to its
// version 2.4 names, ID3v1 left out), the genres, the fields with ID3v1
// filling what ID3v2 lacks, and the ID3v1 record on its own.
const char* kDump = R"PY(
import sys, json
from mutagen.id3 import ID3, ParseID3v1
def val(f):
    d = {}
    for k in ('text', 'url', 'desc', 'lang', 'encoding', 'mime', 'type', 'data', 'count', 'owner'):
        if hasattr(f, k):
            v = getattr(f, k)
            if isinstance(v, bytes): v = v.hex()
            elif isinstance(v, list): v = [str(x) for x in v]
            elif not isinstance(v, (int, str)): v = str(v)
            d[k] = v
    return d
out = {}
for path in sys.argv[1:]:
    o = {}
    try:
        t = ID3(path, load_v1=False)
        o['version'] = '%d.%d' % t.version[:2]
        o['frames'] = {k: val(f) for k, f in t.items()}
        o['genres'] = t['TCON'].genres if 'TCON' in t else []
    except Exception as e:
        o['error'] = type(e).__name__
    try:
        m = ID3(path)
        o['read'] = {n: str(m[k].text[0]) for k, n in (('TIT2', 'title'), ('TPE1', 'artist'), ('TALB', 'album'),
                                                      ('TRCK', 'track'), ('TDRC', 'year')) if k in m}
    except Exception:
        o['read'] = {}
    with open(path, 'rb') as fh:
        data = fh.read()
    if len(data) >= 128 and data[-128:-125] == b'TAG':
        o['v1'] = {k: str(f.text[0]) for k, f in (ParseID3v1(data[-128:]) or {}).items()}
    out[path.rsplit('/', 1)[-1]] = o
print(json.dumps(out))
)PY";

QString FirstText(const QJsonObject& frames, const QString& key) {
    return frames.value(key).toObject().value("text").toArray().first().toString();
}

QStringList Strings(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& s : v.toArray())
        out << s.toString();
    return out;
}

} // namespace

class tst_tags_faithful : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    QString m_fixtures;
    QJsonObject m_read; // mutagen's reading of every fixture
    int m_n = 0;

    QString fixture(const QString& name) const { return m_fixtures + QLatin1Char('/') + name; }
    QString copy(const QString& name) {
        const QString p = env->path(QStringLiteral("edit/%1_%2").arg(++m_n).arg(name));
        WriteAll(p, ReadAll(fixture(name)));
        return p;
    }
    QJsonObject mutagen(const QStringList& paths) {
        QString err;
        const QByteArray out = RunPython(kDump, paths, &err);
        if (out.isNull()) qWarning() << err;
        return QJsonDocument::fromJson(out).object();
    }
    QJsonObject mutagen(const QString& path) {
        return mutagen(QStringList{path}).value(QFileInfo(path).fileName()).toObject();
    }
    std::unique_ptr<frmMP3TagsEditor> editor(const QString& path) {
        return OpenTagsEditor(env->services(), path);
    }
    QString lastMessage() const { return LastPrompt(env->services()); }

    // The fixtures whose tag cannot be written back without losing part of it.
    static bool Refused(const QString& name) {
        return name == QLatin1String("ext_past_the_tag.mp3") || name == QLatin1String("fallback_to_v1.mp3");
    }

private slots:
    void initTestCase() {
        env = std::make_unique<TestEnv>();
        m_fixtures = env->path("fixtures");
        QString err;
        QVERIFY2(!RunPython("import runpy, sys\nscript = sys.argv[1]\nsys.argv = [script, sys.argv[2]]\n"
                            "runpy.run_path(script, run_name='__main__')\n",
                            {QStringLiteral(CORVANE_TAG_FIXTURES), m_fixtures}, &err)
                      .isNull(),
                 qPrintable(err));
        QStringList paths;
        for (const QString& name : QDir(m_fixtures).entryList({"*.mp3"}, QDir::Files, QDir::Name))
            paths << fixture(name);
        QVERIFY(paths.size() >= 20);
        m_read = mutagen(paths);
        QCOMPARE(m_read.size(), paths.size());
    }

    // One row per fault: the classes read what mutagen reads.
    void readsAsMutagenReads_data() {
        QTest::addColumn<QString>("name");
        const char* rows[][2] = {
            {"1 genre: v2.4 code alone", "genre_v24_number.mp3"},
            {"1 genre: v2.4 several values", "genre_v24_values.mp3"},
            {"1 genre: code refined", "genre_v23_refined.mp3"},
            {"1 genre: RX", "genre_v23_remix.mp3"},
            {"1 genre: CR", "genre_v23_cover.mp3"},
            {"2 extended header, unknown flags (2.3)", "ext_v23_unknown_flags.mp3"},
            {"2 extended header, unknown flags (2.4)", "ext_v24_unknown_flags.mp3"},
            {"2 extended-header flag without a header", "ext_flag_without_header.mp3"},
            {"2 extended header past the tag", "ext_past_the_tag.mp3"},
            {"3 version 2.2", "v22_tag.mp3"},
            {"4 repeated text frame", "repeated_tpe1.mp3"},
            {"5 ID3v1 zero byte in a field", "v1_zero_in_field.mp3"},
            {"5 ID3v1 comment ending in a space", "v1_comment_ends_in_space.mp3"},
            {"5 ID3v1 Windows-1252", "v1_windows_1252.mp3"},
            {"6 per-field fallback to ID3v1", "fallback_to_v1.mp3"},
            {"7 genre to be emptied", "empty_genre.mp3"},
            {"8 unsynchronised (2.3)", "unsync_v23.mp3"},
            {"8 unsynchronised (2.4)", "unsync_v24.mp3"},
            {"plain 2.3 with picture", "plain_v23.mp3"},
            {"plain 2.4 with picture", "plain_v24.mp3"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString::fromLatin1(r[1]);
    }
    void readsAsMutagenReads() {
        QFETCH(QString, name);
        const QJsonObject m = m_read.value(name).toObject();
        QVERIFY2(!m.isEmpty(), qPrintable(name));
        id3::cMP3ID3v2 v2;
        v2.setMP3File(fixture(name));
        id3::cMP3ID3v1 v1;
        v1.setMP3File(fixture(name));

        if (m.contains("frames")) {
            const QJsonObject f = m.value("frames").toObject();
            QCOMPARE(v2.Title(), FirstText(f, "TIT2"));
            QCOMPARE(v2.Artist(), FirstText(f, "TPE1"));
            QCOMPARE(v2.Album(), FirstText(f, "TALB"));
            QCOMPARE(v2.Track(), FirstText(f, "TRCK"));
            QCOMPARE(v2.Year(), FirstText(f, "TDRC"));
            QCOMPARE(v2.Comment(), FirstText(f, "COMM::eng"));
            QCOMPARE(v2.Lyrics(), f.value("USLT::eng").toObject().value("text").toString());
            QCOMPARE(v2.Genres(), Strings(m.value("genres")));
            // The editor shows the genre's name.
            if (!v2.Genres().isEmpty()) {
                auto w = editor(fixture(name));
                QCOMPARE(w->cboGenre->currentText(),
                         v2.Genre() != 255 ? v2.GenreName(v2.Genre()) : v2.Genres().join(" / "));
                QCOMPARE(w->cboGenre->currentText().section(" / ", 0, 0), v2.Genres().first());
            }
        } else if (v2.HasID3v2Tag()) {
            // A tag mutagen refuses is refused here too: nothing read, and an
            // edit is an error that says why.
            QCOMPARE(m.value("error").toString(), QStringLiteral("error"));
            QCOMPARE(v2.FrameCount(), 0);
            v2.setTitle("x");
            const id3::TagError e = Raised([&] { v2.CheckUpdate(); });
            QCOMPARE(e.Number, id3::kErrCannotRewrite);
            QVERIFY2(e.Description.contains("extended header"), qPrintable(e.Description));
        }

        if (m.contains("v1")) {
            const QJsonObject r = m.value("v1").toObject();
            QVERIFY(v1.HasID3v1Tag());
            QString title = r.value("TIT2").toString(), artist = r.value("TPE1").toString();
            if (name == QLatin1String("v1_windows_1252.mp3")) {
                // mutagen reads the bytes as Latin-1; they are Windows-1252.
                QCOMPARE(title.toLatin1(), QByteArray("\x80uro \x96 \x93quoted\x94"));
                title = QString::fromUtf8("€uro – “quoted”");
                QCOMPARE(artist.toLatin1(), QByteArray("\x8cuvre"));
                artist = QString::fromUtf8("Œuvre");
            }
            QCOMPARE(v1.Title(), title);
            QCOMPARE(v1.Artist(), artist);
            QCOMPARE(v1.Album(), r.value("TALB").toString());
            QCOMPARE(v1.Year(), r.value("TDRC").toString());
            QCOMPARE(v1.Comment(), r.value("COMM").toString());
            QCOMPARE(v1.Track() ? QString::number(v1.Track()) : QString(), r.value("TRCK").toString());
            QCOMPARE(v1.Genre() != 255 ? QString::number(v1.Genre()) : QString(), r.value("TCON").toString());
        } else {
            QVERIFY(!v1.HasID3v1Tag());
        }

        // The list's columns: each field from ID3v2, else from ID3v1.
        id3::Mp3Tags list;
        QVERIFY(id3::ReadMp3Tags(fixture(name), list));
        const QJsonObject r = m.value("read").toObject();
        if (name != QLatin1String("v1_windows_1252.mp3")) {
            QCOMPARE(list.Title, r.value("title").toString());
            QCOMPARE(list.Artist, r.value("artist").toString());
        }
        QCOMPARE(list.Album, r.value("album").toString());
        QCOMPARE(list.Track, r.value("track").toString());
        if (name == QLatin1String("fallback_to_v1.mp3")) {
            QCOMPARE(list.Title, QStringLiteral("V2 Title"));
            QCOMPARE(list.Artist, QStringLiteral("V1 Artist"));
            QCOMPARE(list.Year, QStringLiteral("1999"));
            QCOMPARE(list.Genre, QStringLiteral("Jazz"));
        }
        if (name == QLatin1String("v22_tag.mp3")) QCOMPARE(v2.DroppedFrames(), QStringList{"CRM"});
    }

    // An edit of the title, through the class and through the editor.
    void roundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("throughEditor");
        for (const QString& name : QDir(m_fixtures).entryList({"*.mp3"}, QDir::Files, QDir::Name)) {
            QTest::addRow("%s, cMP3ID3v2", qPrintable(name)) << name << false;
            QTest::addRow("%s, editor", qPrintable(name)) << name << true;
        }
    }
    void roundTrip() {
        QFETCH(QString, name);
        QFETCH(bool, throughEditor);
        const QString path = copy(name);
        const QByteArray original = ReadAll(path);
        const QJsonObject before = m_read.value(name).toObject();
        const QString title = QString::fromUtf8("New title ✓");

        if (throughEditor) {
            auto w = editor(path);
            w->txtTitle->setText(title);
            w->cmdApply_Click();
            if (Refused(name)) {
                QVERIFY2(!lastMessage().startsWith("Done."), qPrintable(lastMessage()));
                QVERIFY(lastMessage().contains(QString::number(id3::kErrCannotRewrite)));
                QCOMPARE(ReadAll(path), original);
                return;
            }
            QVERIFY2(lastMessage().startsWith("Done."), qPrintable(lastMessage()));
            // A frame the written version has no id for is named, never dropped in silence.
            QCOMPARE(lastMessage().contains("CRM"), name == QLatin1String("v22_tag.mp3"));
        } else {
            id3::cMP3ID3v2 v2;
            v2.setMP3File(path);
            v2.setTitle(title);
            const id3::TagError e = Raised([&] { v2.Update(); });
            if (Refused(name)) {
                QCOMPARE(e.Number, id3::kErrCannotRewrite);
                QVERIFY(!e.Description.isEmpty());
                QCOMPARE(ReadAll(path), original);
                return;
            }
            QCOMPARE(e.Number, 0);
        }

        const QJsonObject after = mutagen(path);
        const QJsonObject was = before.value("frames").toObject();
        const QJsonObject now = after.value("frames").toObject();
        QCOMPARE(FirstText(now, "TIT2"), title);
        for (auto it = was.begin(); it != was.end(); ++it) {
            if (it.key() == QLatin1String("TIT2")) continue;
            QVERIFY2(now.value(it.key()) == it.value(),
                     qPrintable(it.key() + ": " + QJsonDocument(now.value(it.key()).toObject()).toJson() +
                                " was " + QJsonDocument(it.value().toObject()).toJson()));
        }
        if (name == QLatin1String("v22_tag.mp3"))
            QCOMPARE(after.value("version").toString(), QStringLiteral("2.3"));
        // Through the class only ID3v2 changes: the ID3v1 record stays as it was.
        if (!throughEditor) QCOMPARE(ReadAll(path).right(128), original.right(128));
    }

    // Fields left empty write no frame: no "(255)" genre, no empty artist.
    void emptyFieldsStayEmpty() {
        const QString viaClass = copy("empty_genre.mp3");
        id3::cMP3ID3v2 v2;
        v2.setMP3File(viaClass);
        v2.setGenre(255);
        v2.setOtherGenreName(QString());
        v2.setArtist(QString());
        v2.Update();
        const QString viaEditor = copy("empty_genre.mp3");
        auto w = editor(viaEditor);
        w->cboGenre->setEditText(QString());
        w->txtArtist->clear();
        w->cmdApply_Click();
        QCOMPARE(lastMessage(), QStringLiteral("Done."));
        for (const QString& path : {viaClass, viaEditor}) {
            const QJsonObject m = mutagen(path);
            const QJsonObject f = m.value("frames").toObject();
            QVERIFY2(!f.contains("TCON") && !f.contains("TPE1"), qPrintable(QJsonDocument(f).toJson()));
            QCOMPARE(FirstText(f, "TIT2"), QStringLiteral("E"));
            QVERIFY(!m.value("v1").toObject().contains("TCON"));
        }
    }
};

QTEST_MAIN(tst_tags_faithful)
#include "tst_tags_faithful.moc"

// Round trips with mutagen: what our classes write, mutagen reads with the
// same values; what mutagen writes, we read with the same values, and after
// we edit only the title every other frame keeps its bytes and the audio
// after the tag is unchanged.
#include "TagFixtures.h"
#include "id3/cMP3ID3v1.h"
#include "id3/cMP3ID3v2.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace id3;
using namespace tagtests;

namespace {

// Every frame as mutagen sees it (untranslated), and the ID3v1 record.
const char* kDump = R"PY(
import sys, json
from mutagen.id3 import ID3, ParseID3v1
path = sys.argv[1]
def val(f):
    d = {}
    for k in ('text', 'url', 'desc', 'lang', 'encoding', 'mime', 'type', 'data', 'count'):
        if hasattr(f, k):
            v = getattr(f, k)
            if isinstance(v, bytes): v = v.hex()
            elif isinstance(v, list): v = [str(x) for x in v]
            elif not isinstance(v, (int, str)): v = str(v)
            d[k] = v
    return d
out = {}
try:
    t = ID3(path, translate=False)
    out['version'] = list(t.version)
    out['frames'] = {k: val(f) for k, f in t.items()}
except Exception as e:
    out['error'] = str(e)
with open(path, 'rb') as fh:
    fh.seek(-128, 2)
    v1 = ParseID3v1(fh.read(128))
if v1:
    out['v1'] = {k: val(f) for k, f in v1.items()}
print(json.dumps(out))
)PY";

// The raw frames of the tag at the start of a file (id, flags and body in
// hex, in file order) and a hash of everything after the tag's room.
const char* kRaw = R"PY(
import sys, json, hashlib
data = open(sys.argv[1], 'rb').read()
assert data[:3] == b'ID3'
ver = data[3]
def ss(b): return (b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]
size = ss(data[6:10])
end = 10 + size
pos = 10
frames = []
while pos + 10 <= end and data[pos] != 0:
    fid = data[pos:pos+4].decode('latin-1')
    n = ss(data[pos+4:pos+8]) if ver == 4 else int.from_bytes(data[pos+4:pos+8], 'big')
    frames.append([fid, data[pos+8:pos+10].hex(), data[pos+10:pos+10+n].hex()])
    pos += 10 + n
print(json.dumps({'version': ver, 'frames': frames, 'audio': hashlib.sha1(data[end:]).hexdigest()}))
)PY";

// Tags as other programs write them: v2.3 or v2.4 (argv[2]), UTF-16 and
// UTF-8 text, a picture, a user text frame, three comments, lyrics.
const char* kWrite = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, COMM, APIC, TXXX, USLT, TCON, TRCK, TDRC, WXXX, TENC
path, ver = sys.argv[1], int(sys.argv[2])
utf = 3 if ver == 4 else 1
t = ID3()
t.add(TIT2(encoding=1, text='Tïtlé Ω'))
t.add(TPE1(encoding=utf, text='Артист'))
t.add(TALB(encoding=0, text='Album'))
t.add(TDRC(encoding=0, text='2021'))
t.add(TRCK(encoding=0, text='3/12'))
t.add(TCON(encoding=0, text='Rock'))
t.add(TENC(encoding=utf, text='Énc ✓'))
t.add(COMM(encoding=1, lang='eng', desc='', text='Main comment ✓'))
t.add(COMM(encoding=utf, lang='eng', desc='second', text='Other comment'))
t.add(COMM(encoding=0, lang='deu', desc='drei', text='Dritter'))
t.add(TXXX(encoding=utf, desc='MyKey', text='Wert ✓'))
t.add(USLT(encoding=1, lang='eng', desc='', text='Line one\nLine two ✓'))
t.add(WXXX(encoding=0, desc='', url='http://example.com/page'))
t.add(APIC(encoding=0, mime='image/png', type=3, desc='cover', data=bytes(range(256)) * 8))
t.save(path, v2_version=ver)
)PY";

QJsonObject Json(const QByteArray& bytes) {
    return QJsonDocument::fromJson(bytes).object();
}

} // namespace

class tst_tags_mutagen : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_untagged;
    int m_n = 0;

    QString copy() {
        const QString p = m_dir.filePath(QStringLiteral("c%1.mp3").arg(++m_n));
        QFile::copy(m_untagged, p);
        QFile::setPermissions(p, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return p;
    }
    QJsonObject dump(const QString& path) {
        QString err;
        const QByteArray out = RunPython(kDump, {path}, &err);
        if (out.isNull()) qWarning() << err;
        return Json(out);
    }

private slots:
    void initTestCase() {
        QString err;
        if (RunPython("import mutagen", {}, &err).isNull()) QSKIP("python3-mutagen is not installed");
        m_untagged = m_dir.filePath("untagged.mp3");
        QVERIFY(MakeUntaggedMp3(m_untagged));
    }

    void mutagenReadsWhatWeWrite_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("artist");
        QTest::newRow("latin-1") << QString::fromUtf8("Café au lait") << QStringLiteral("Band");
        QTest::newRow("beyond latin-1") << QString::fromUtf8("Ωμέγα ✓") << QString::fromUtf8("Дмитрий");
    }
    void mutagenReadsWhatWeWrite() {
        QFETCH(QString, title);
        QFETCH(QString, artist);
        const QString path = copy();
        const QByteArray audio = ReadAll(path);

        cMP3ID3v1 v1;
        v1.setMP3File(path);
        v1.setTitle(title);
        v1.setArtist("Band");
        v1.setAlbum("Album");
        v1.setYear("1999");
        v1.setComment("v1 comment");
        v1.setTrack(4);
        v1.setGenre(17);
        v1.Update();

        cMP3ID3v2 v2;
        v2.setMP3File(path);
        v2.setTitle(title);
        v2.setArtist(artist);
        v2.setAlbum("Album");
        v2.setYear("1999");
        v2.setTrack("4");
        v2.setComment(title + " comment");
        v2.setLyrics(QString::fromUtf8("First line\nSecond line ✓"));
        v2.setLinkTo("http://example.com/song");
        v2.setGenre(17);
        v2.setOtherGenreName("Rock");
        v2.Update();

        const QJsonObject o = dump(path);
        QCOMPARE(o.value("version").toArray().at(1).toInt(), 3);
        const QJsonObject f = o.value("frames").toObject();
        auto text = [&](const char* key) {
            return f.value(key).toObject().value("text").toArray().at(0).toString();
        };
        QCOMPARE(text("TIT2"), title);
        QCOMPARE(text("TPE1"), artist);
        QCOMPARE(text("TALB"), QStringLiteral("Album"));
        QCOMPARE(text("TYER"), QStringLiteral("1999"));
        QCOMPARE(text("TRCK"), QStringLiteral("4"));
        QCOMPARE(text("TCON"), QStringLiteral("(17)Rock"));
        QCOMPARE(text("COMM::eng"), title + " comment");
        QCOMPARE(f.value("USLT::eng").toObject().value("text").toString(),
                 QString::fromUtf8("First line\nSecond line ✓"));
        QCOMPARE(f.value("WXXX:").toObject().value("url").toString(),
                 QStringLiteral("http://example.com/song"));

        const QJsonObject one = o.value("v1").toObject();
        auto v1text = [&](const char* key) {
            return one.value(key).toObject().value("text").toArray().at(0).toString();
        };
        QCOMPARE(v1text("TIT2"), QString::fromLatin1(title.toLatin1())); // "?" for what Latin-1 lacks
        QCOMPARE(v1text("TPE1"), QStringLiteral("Band"));
        QCOMPARE(v1text("TRCK"), QStringLiteral("4"));
        QCOMPARE(v1text("TCON"), QStringLiteral("17"));

        // The audio is where it was, whole.
        const QByteArray after = ReadAll(path);
        QCOMPARE(after.mid(2048, audio.size()), audio);
    }

    void weReadWhatMutagenWrites_data() {
        QTest::addColumn<int>("version");
        QTest::newRow("v2.3") << 3;
        QTest::newRow("v2.4") << 4;
    }
    void weReadWhatMutagenWrites() {
        QFETCH(int, version);
        const QString path = copy();
        QString err;
        QVERIFY2(!RunPython(kWrite, {path, QString::number(version)}, &err).isNull(), qPrintable(err));
        const QJsonObject before = Json(RunPython(kRaw, {path}));
        QCOMPARE(before.value("version").toInt(), version);

        cMP3ID3v2 t;
        t.setMP3File(path);
        QCOMPARE(int(t.TagVersion()), version);
        QCOMPARE(t.Title(), QString::fromUtf8("Tïtlé Ω"));
        QCOMPARE(t.Artist(), QString::fromUtf8("Артист"));
        QCOMPARE(t.Album(), QStringLiteral("Album"));
        QCOMPARE(t.Year(), QStringLiteral("2021"));
        QCOMPARE(t.Track(), QStringLiteral("3/12"));
        QCOMPARE(int(t.Genre()), 255);
        QCOMPARE(t.OtherGenreName(), QStringLiteral("Rock"));
        QCOMPARE(t.EncodedBy(), QString::fromUtf8("Énc ✓"));
        QCOMPARE(t.Comment(), QString::fromUtf8("Main comment ✓"));
        QCOMPARE(t.Lyrics(), QString::fromUtf8("Line one\nLine two ✓"));
        QCOMPARE(t.LinkTo(), QStringLiteral("http://example.com/page"));
        QCOMPARE(t.TagsInFrame("COMM"), 3);
        QCOMPARE(t.GetFrameValue("TXXX", 1), QString::fromUtf8("Wert ✓"));
        QCOMPARE(t.TagsInFrame("APIC"), 1);

        // Everything the editor would write, with only the title changed.
        t.setArtist(t.Artist());
        t.setComment(t.Comment());
        t.setLyrics(t.Lyrics());
        t.setYear(t.Year());
        t.setGenre(t.Genre());
        t.setOtherGenreName(t.OtherGenreName());
        t.setTitle("Edited");
        t.Update();

        const QJsonObject after = Json(RunPython(kRaw, {path}));
        QCOMPARE(after.value("version").toInt(), version);
        QCOMPARE(after.value("audio").toString(), before.value("audio").toString());
        auto others = [](const QJsonObject& o) {
            QStringList out;
            for (const QJsonValue& v : o.value("frames").toArray())
                if (v.toArray().at(0).toString() != "TIT2")
                    out << v.toArray().at(0).toString() + " " + v.toArray().at(1).toString() + " " +
                               v.toArray().at(2).toString();
            out.sort();
            return out;
        };
        QCOMPARE(others(after), others(before));

        const QJsonObject f = dump(path).value("frames").toObject();
        QCOMPARE(f.value("TIT2").toObject().value("text").toArray().at(0).toString(),
                 QStringLiteral("Edited"));
        QCOMPARE(f.value("APIC:cover").toObject().value("data").toString().size(), 256 * 8 * 2);
        QCOMPARE(f.value("COMM:drei:deu").toObject().value("text").toArray().at(0).toString(),
                 QStringLiteral("Dritter"));
    }
};

QTEST_GUILESS_MAIN(tst_tags_mutagen)
#include "tst_tags_mutagen.moc"

// Ripping tracks of generated CUE/BIN images: bit-exact WAV, ranges, the
// compressed formats checked with ffprobe and mutagen, abort, failures, and
// the event rules (queued, one closing event, restart from inside Done).
#include "DiscImages.h"
#include "MediaTools.h"
#include "TestEnv.h"

#include "components/cAudioCDRipper.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>

#include <memory>

using namespace components;

namespace {

constexpr int kCd = testsupport::kCdSampleRate;

tWAVSettings cdWav() {
    tWAVSettings w;
    w.SampleRate = 44100;
    w.Channels = 2;
    w.BitsPerSample = 16;
    return w;
}

// The PCM of a canonical or extended WAV file's "data" chunk, with its format.
struct WavData {
    int rate = 0, channels = 0, bits = 0;
    QByteArray pcm;
};
WavData readWav(const QString& path) {
    WavData w;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return w;
    const QByteArray all = f.readAll();
    if (all.size() < 12 || !all.startsWith("RIFF") || all.mid(8, 4) != "WAVE") return w;
    qsizetype pos = 12;
    while (pos + 8 <= all.size()) {
        const QByteArray id = all.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(all.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt ") {
            w.channels = qFromLittleEndian<quint16>(all.constData() + body + 2);
            w.rate = static_cast<int>(qFromLittleEndian<quint32>(all.constData() + body + 4));
            w.bits = qFromLittleEndian<quint16>(all.constData() + body + 14);
        } else if (id == "data") {
            w.pcm = all.mid(body, size);
            break;
        }
        pos = body + size + (size & 1);
    }
    return w;
}

// Runs the system's python with mutagen; prints title|artist|album of any format.
QString mutagenTags(const QString& path) {
    static const char* script =
        "import sys, mutagen\n"
        "f = mutagen.File(sys.argv[1])\n"
        "t = f.tags\n"
        "def get(*keys):\n"
        "    for k in keys:\n"
        "        try:\n"
        "            v = t[k]\n"
        "        except (KeyError, ValueError, TypeError):\n"
        "            continue\n"
        "        v = v[0] if isinstance(v, list) else v\n"
        "        return str(getattr(v, 'value', v))\n"
        "    return ''\n"
        "print(get('TIT2', 'title', 'Title') + '|' + get('TPE1', 'artist', 'Author') + '|' +\n"
        "      get('TALB', 'album', 'WM/AlbumTitle'))\n";
    for (const QString& py : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        const QString exe = QStandardPaths::findExecutable(py);
        if (exe.isEmpty()) continue;
        QProcess p;
        p.start(exe, {"-c", script, path});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) continue;
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    return QStringLiteral("<no mutagen>");
}

// What one StartRip ended with.
struct Outcome {
    QString kind; // "done", "aborted", "error"
    qint32 code = 0;
    QString message;
    QList<qint32> progress;
};

} // namespace

class tst_ripper : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    QString m_cd;  // the drive folder with the 3-track disc (D:)
    QString m_out; // where the tracks go

    void prepare(cAudioCDRipper& r, qint32 format = 1) {
        r.setOutputFormat(format);
        r.SetWAVSettings(cdWav());
        r.setDeviceIndex(0);
    }

    // Starts the rip that is set up and waits for its one closing event.
    Outcome run(cAudioCDRipper& r) {
        Outcome o;
        int terminals = 0;
        QMetaObject::Connection c[4];
        c[0] = connect(&r, &cAudioCDRipper::Progress, this, [&](qint32 p) { o.progress << p; });
        c[1] = connect(&r, &cAudioCDRipper::Done, this, [&] {
            o.kind = "done";
            ++terminals;
        });
        c[2] = connect(&r, &cAudioCDRipper::Aborted, this, [&] {
            o.kind = "aborted";
            ++terminals;
        });
        c[3] = connect(&r, &cAudioCDRipper::Error, this, [&](qint32 code, const QString& m) {
            o.kind = "error";
            o.code = code;
            o.message = m;
            ++terminals;
        });
        r.StartRip();
        [&] { QCOMPARE(terminals, 0); }(); // never from inside the start call
        [&] { QTRY_COMPARE_WITH_TIMEOUT(terminals, 1, 60000); }();
        QCoreApplication::processEvents();
        [&] { QCOMPARE(terminals, 1); }();
        for (auto& x : c)
            disconnect(x);
        return o;
    }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>(false);
        m_cd = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(m_cd, {3, 2, 4}).isEmpty());
        m_out = m_env->path("out");
        QVERIFY(QDir().mkpath(m_out));
    }
    void cleanup() { m_env.reset(); }

    // Every track ripped to WAV, each started from inside the Done of the one
    // before, equals the image's samples.
    void allTracksToWavBitExact() {
        cAudioCDRipper r;
        prepare(r);
        const QList<int> seconds{3, 2, 4};
        int next = 1;
        int done = 0;
        QStringList errors;
        auto startNext = [&] {
            r.setTrack(next);
            r.setTagTitle(QString("Track %1").arg(next));
            r.setDestinationFile(m_out + QString("/Track%1.wav").arg(next));
            ++next;
            r.StartRip();
        };
        connect(&r, &cAudioCDRipper::Done, this, [&] {
            ++done;
            if (next <= 3) startNext();
        });
        connect(&r, &cAudioCDRipper::Error, this, [&](qint32 c, const QString& m) {
            errors << QString("%1 %2").arg(c).arg(m);
            if (next <= 3) startNext();
        });
        startNext();
        QTRY_VERIFY_WITH_TIMEOUT(done + errors.size() == 3, 60000);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        for (int t = 1; t <= 3; ++t) {
            const WavData w = readWav(m_out + QString("/Track%1.wav").arg(t));
            QCOMPARE(w.rate, 44100);
            QCOMPARE(w.channels, 2);
            QCOMPARE(w.bits, 16);
            const QByteArray expected = testsupport::cdTrackPcm(t, qint64(seconds[t - 1]) * kCd);
            QCOMPARE(w.pcm.size(), expected.size());
            QVERIFY2(w.pcm == expected, qPrintable(QString("track %1 differs from the image").arg(t)));
        }
        // Only the three outputs: no temporary file stays behind.
        QCOMPARE(QDir(m_out).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    // Audio that looks like noise comes out as the image holds it: nothing
    // is taken for big-endian and byte-swapped (3 s of this noise were).
    void noiseIsNotByteSwapped() {
        const QString folder = m_env->addVirtualDrive("noise");
        const QByteArray noise = testsupport::randomPcm(132300, 1);
        QVERIFY(!testsupport::writePcmCueBin(folder, {noise}).isEmpty());
        cAudioCDRipper r;
        prepare(r);
        r.setDeviceIndex(1);
        r.setTrack(1);
        r.setDestinationFile(m_out + "/noise.wav");
        QCOMPARE(run(r).kind, QString("done"));
        QVERIFY(readWav(m_out + "/noise.wav").pcm == noise);
    }

    void rangedRip_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("firstSecond");
        QTest::addColumn<int>("seconds");
        QTest::newRow("middle") << 1 << 2 << 1 << 2;
        QTest::newRow("to the end") << 3 << 1 << 3 << 1;
        QTest::newRow("past the end is cut") << 2 << 10 << 2 << 2;
        QTest::newRow("no length: to the end") << 1 << 0 << 1 << 3;
    }
    void rangedRip() {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, firstSecond);
        QFETCH(int, seconds);
        cAudioCDRipper r;
        prepare(r);
        r.setTrack(3);
        r.setRangeStart(start);
        r.setRangeLength(length);
        r.setDestinationFile(m_out + "/range.wav");
        QDir().mkpath(m_out);
        const Outcome o = run(r);
        QCOMPARE(o.kind, QString("done"));
        const QByteArray all = testsupport::cdTrackPcm(3, 4 * kCd);
        QVERIFY(readWav(m_out + "/range.wav").pcm ==
                all.mid(qint64(firstSecond) * kCd * 4, qint64(seconds) * kCd * 4));

        // The range held for that rip only; setting Track also makes the rip whole.
        const Outcome whole = run(r);
        QCOMPARE(whole.kind, QString("done"));
        QCOMPARE(readWav(m_out + "/range.wav").pcm.size(), 4 * kCd * 4);
        r.setTrack(3);
        r.setRangeStart(1);
        r.setTrack(3);
        QCOMPARE(r.RangeStart(), -1);
        QCOMPARE(r.RangeLength(), -1);
    }

    void compressedFormats_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("ext");
        QTest::newRow("MP3") << 3 << "mp3";
        QTest::newRow("WMA") << 4 << "wma";
        QTest::newRow("OGG") << 5 << "ogg";
    }
    void compressedFormats() {
        QFETCH(int, format);
        QFETCH(QString, ext);
        cAudioCDRipper r;
        r.setOutputFormat(format);
        tMP3Settings mp3;
        mp3.Bitrate = 128;
        mp3.SampleRate = 44100;
        mp3.Mode = 1;
        mp3.Quality = 5;
        r.SetMP3Settings(mp3);
        r.SetWMASettings(tWMASettings{});
        tOGGSettings ogg;
        ogg.Quality = 40;
        r.SetOGGSettings(ogg);
        r.setDeviceIndex(0);
        r.setTrack(3);
        r.setTagAlbum(QString::fromUtf8("Album Ä"));
        r.setTagArtist("The Artist");
        r.setTagComment("c");
        r.setTagGenre("Rock");
        r.setTagTitle(QString::fromUtf8("Café Title"));
        r.setTagTrack("3");
        r.setTagYear("2026");
        const QString dest = m_out + "/track3." + ext;
        r.setDestinationFile(dest);
        QDir().mkpath(m_out);
        const Outcome o = run(r);
        QVERIFY2(o.kind == "done", qPrintable(o.kind + ' ' + o.message));
        QCOMPARE(o.progress.last(), 100);
        QVERIFY(std::is_sorted(o.progress.begin(), o.progress.end()));
        const double secs = testsupport::ffprobeSeconds(dest);
        QVERIFY2(qAbs(secs - 4.0) < 0.2, qPrintable(QString::number(secs)));
        QCOMPARE(mutagenTags(dest), QString::fromUtf8("Café Title|The Artist|Album Ä"));
    }

    // Abort in the middle of a long track: the destination keeps what it had
    // and nothing else is left in its folder.
    void abortLeavesNothing() {
        const QString longCd = m_env->addVirtualDrive("long");
        QVERIFY(!testsupport::writeAudioCueBin(longCd, {120}).isEmpty());
        QDir().mkpath(m_out);
        const QString dest = m_out + "/long.wav";
        {
            QFile f(dest);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("an older file");
        }
        cAudioCDRipper r;
        prepare(r);
        r.setDeviceIndex(1);
        r.setTrack(1);
        r.setDestinationFile(dest);
        connect(&r, &cAudioCDRipper::Progress, &r, [&r](qint32 p) {
            if (p >= 1) r.Abort();
        });
        const Outcome o = run(r);
        QCOMPARE(o.kind, QString("aborted"));
        QVERIFY(o.progress.last() < 100);
        QCOMPARE(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList{"long.wav"});
        QFile f(dest);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("an older file"));
    }

    void failures_data() {
        QTest::addColumn<int>("device");
        QTest::addColumn<int>("track");
        QTest::addColumn<int>("rangeStart");
        QTest::addColumn<QString>("dest"); // relative to the temporary folder
        QTest::addColumn<int>("code");
        QTest::newRow("folder missing")
            << 0 << 1 << -1 << "missing/folder/t.wav" << int(cAudioCDRipper::ErrDestination);
        QTest::newRow("folder is a file")
            << 0 << 1 << -1 << "afile/t.wav" << int(cAudioCDRipper::ErrDestination);
        QTest::newRow("no destination") << 0 << 1 << -1 << "" << int(cAudioCDRipper::ErrDestination);
        QTest::newRow("destination is a folder")
            << 0 << 1 << -1 << "out" << int(cAudioCDRipper::ErrDestination);
        QTest::newRow("no such drive") << 7 << 1 << -1 << "out/t.wav" << int(cAudioCDRipper::ErrNoDisc);
        QTest::newRow("blank disc") << 1 << 1 << -1 << "out/t.wav" << int(cAudioCDRipper::ErrNoDisc);
        QTest::newRow("no such track") << 0 << 4 << -1 << "out/t.wav" << int(cAudioCDRipper::ErrBadTrack);
        QTest::newRow("track 0") << 0 << 0 << -1 << "out/t.wav" << int(cAudioCDRipper::ErrBadTrack);
        QTest::newRow("range after the end")
            << 0 << 2 << 2 << "out/t.wav" << int(cAudioCDRipper::ErrBadRange);
        QTest::newRow("data track") << 2 << 2 << -1 << "out/t.wav" << int(cAudioCDRipper::ErrBadTrack);
    }
    void failures() {
        QFETCH(int, device);
        QFETCH(int, track);
        QFETCH(int, rangeStart);
        QFETCH(QString, dest);
        QFETCH(int, code);
        m_env->addVirtualDrive("blank");
        const QString mixed = m_env->addVirtualDrive("mixed");
        QVERIFY(!testsupport::writeCueBin(mixed, {{2, true}, {2, false}}).isEmpty());
        QDir().mkpath(m_out);
        QFile file(m_env->path("afile"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        cAudioCDRipper r;
        prepare(r);
        r.setDeviceIndex(device);
        r.setTrack(track);
        if (rangeStart >= 0) {
            r.setRangeStart(rangeStart);
            r.setRangeLength(1);
        }
        r.setDestinationFile(dest.isEmpty() ? QString() : m_env->root() + '/' + dest);
        const Outcome o = run(r);
        QCOMPARE(o.kind, QString("error"));
        QCOMPARE(o.code, code);
        QVERIFY(!o.message.isEmpty());
        QCOMPARE(QDir(m_out).entryList(QDir::Files | QDir::Hidden).size(), 0);
        // The component goes on working after an error.
        r.setDeviceIndex(0);
        r.setTrack(2);
        r.setDestinationFile(m_out + "/ok.wav");
        QCOMPARE(run(r).kind, QString("done"));
    }

    // Images of three 2-second tracks (sectors 0-149, 150-299, 300-449) cut
    // short. Inside the last track: that track reports the sector it lost and
    // nothing of it is kept, while the other tracks rip as before. Inside a
    // middle track: the disc says it is damaged, never "no CD" or "Done.".
    void imageCutShortMidTrack() {
        const QString cut = m_env->addVirtualDrive("cut");
        QVERIFY(!testsupport::writeAudioCueBin(cut, {2, 2, 2}).isEmpty());
        QFile bin(cut + "/disc.bin");
        QVERIFY(bin.resize(qint64(400) * testsupport::kCdSectorBytes + 1000));
        cAudioCDRipper r;
        prepare(r);
        r.setDeviceIndex(1);
        r.setTrack(3);
        r.setDestinationFile(m_out + "/three.wav");
        Outcome o = run(r);
        QCOMPARE(o.kind, QString("error"));
        QCOMPARE(o.code, int(cAudioCDRipper::ErrRead));
        QCOMPARE(
            o.message,
            QString("Track 3 of the disc in E: cannot be read whole: 1 of its 101 sectors are lost (400)."));
        QCOMPARE(QDir(m_out).entryList(QDir::Files | QDir::Hidden).size(), 0);
        r.setTrack(2);
        r.setDestinationFile(m_out + "/two.wav");
        QCOMPARE(run(r).kind, QString("done"));
        QCOMPARE(readWav(m_out + "/two.wav").pcm, testsupport::cdTrackPcm(2, 2 * kCd));

        QVERIFY(bin.resize(qint64(250) * testsupport::kCdSectorBytes));
        r.setTrack(1);
        r.setDestinationFile(m_out + "/one.wav");
        o = run(r);
        QCOMPARE(o.kind, QString("error"));
        QCOMPARE(o.code, int(cAudioCDRipper::ErrUnreadableDisc));
        QVERIFY2(o.message.startsWith("The disc in E: cannot be read: "), qPrintable(o.message));
        QVERIFY(!QFile::exists(m_out + "/one.wav"));
    }

    // The next rip may start from inside the Error of the one before.
    void restartFromInsideError() {
        cAudioCDRipper r;
        prepare(r);
        r.setTrack(9);
        r.setDestinationFile(m_out + "/t.wav");
        QStringList events;
        connect(&r, &cAudioCDRipper::Error, this, [&](qint32 c, const QString&) {
            events << QString::number(c);
            r.setTrack(2);
            r.StartRip();
        });
        connect(&r, &cAudioCDRipper::Done, this, [&] { events << "done"; });
        r.StartRip();
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 60000);
        QCOMPARE(events, QStringList({QString::number(cAudioCDRipper::ErrBadTrack), "done"}));
        QCOMPARE(readWav(m_out + "/t.wav").pcm, testsupport::cdTrackPcm(2, 2 * kCd));
    }

    void busyAndClose() {
        QDir().mkpath(m_out);
        cAudioCDRipper r;
        prepare(r);
        r.setTrack(1);
        r.setDestinationFile(m_out + "/a.wav");
        QStringList events;
        connect(&r, &cAudioCDRipper::Done, this, [&] { events << "done"; });
        connect(&r, &cAudioCDRipper::Aborted, this, [&] { events << "aborted"; });
        connect(&r, &cAudioCDRipper::Error, this,
                [&](qint32 c, const QString&) { events << QString::number(c); });
        r.StartRip();
        r.StartRip(); // refused: one rip at a time
        QVERIFY(r.isRipping());
        // Close stops the rip; its closing event has come when Close returns.
        r.Close();
        QVERIFY(!r.isRipping());
        QCoreApplication::processEvents();
        QCOMPARE(events.size(), 2);
        QVERIFY(events.contains(QString::number(cAudioCDRipper::ErrBusy)));
        QVERIFY(events.contains("aborted") || events.contains("done"));
        // The tray still moves after Close.
        QVERIFY(r.SelectDevice(0));
        QCOMPARE(r.TrackCount(), 3);
        r.OpenTray();
        QVERIFY(r.SelectDevice(0));
        QCOMPARE(r.TrackCount(), 0);
        r.CloseTray();
        QCOMPARE(r.TrackCount(), 3);
    }
};

QTEST_GUILESS_MAIN(tst_ripper)
#include "tst_ripper.moc"

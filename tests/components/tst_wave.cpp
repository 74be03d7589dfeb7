// The recorder on a scripted input device: the file holds exactly what the
// device delivered (less a pause, less a silent end when cut), its header is
// right in every format, the meter's scale, a device that goes away, and the
// refusals. The recording against the real sound server is tst_wave_server.
#include "components/cWave.h"

#include "TestEnv.h"
#include "WaveTools.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using components::cWave;
using components::tWaveFormatEx;
using wavetest::Format;

namespace {

// A recorder whose input is the scripted device.
struct Rig {
    testsupport::TestEnv env{false};
    std::shared_ptr<wavetest::FakeDevice> device = std::make_shared<wavetest::FakeDevice>();
    cWave wave;
    QSignalSpy done{&wave, &cWave::DoneRecord};
    QSignalSpy levels{&wave, &cWave::MeterLevel};
    Rig() {
        wave.SetInputFactory([d = device](QString*) { return std::make_unique<wavetest::FakeInput>(d); });
    }
    qint32 start(const QString& path, tWaveFormatEx format, qint32 index = 0) {
        return wave.RecordStart(index, path, format, 1600);
    }
};

} // namespace

class tst_wave : public QObject {
    Q_OBJECT
private slots:
    void devicesAreTheInputs() {
        Rig r;
        r.device->names = {"Mic one", "Mic two"};
        QCOMPARE(r.wave.GetDeviceCount(cWave::kDeviceIn), 2);
        QCOMPARE(r.wave.GetDeviceCount(1), 0);
        components::tWaveDeviceCaps caps;
        qint32 index = 1;
        QCOMPARE(r.wave.GetDeviceCaps(index, caps, cWave::kDeviceIn), 0);
        QCOMPARE(caps.szPname, QString("Mic two"));
        QCOMPARE(caps.wChannels, 2);
        index = 2;
        QVERIFY(r.wave.GetDeviceCaps(index, caps, cWave::kDeviceIn) != 0);
    }

    // The file holds exactly the frames delivered, in pieces of any size,
    // under a header whose sizes agree with it; DoneRecord comes once, after
    // RecordStop has returned with the file complete.
    void fileHoldsWhatTheDeviceDelivered_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("frames");
        QTest::newRow("8000 mono 8-bit, odd length (padded)") << 8000 << 1 << 8 << 4001;
        QTest::newRow("8000 stereo 8-bit") << 8000 << 2 << 8 << 4000;
        QTest::newRow("22050 mono 16-bit") << 22050 << 1 << 16 << 11025;
        QTest::newRow("44100 stereo 16-bit") << 44100 << 2 << 16 << 44100;
    }
    void fileHoldsWhatTheDeviceDelivered() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(int, frames);
        Rig r;
        const QString path = r.env.path("rec.wav");
        QCOMPARE(r.start(path, Format(rate, channels, bits), 0), 0);
        QCOMPARE(r.device->rate, rate);
        QCOMPARE(r.device->channels, channels);
        QCOMPARE(r.device->bits, bits);
        QVERIFY(r.wave.IsRecording());
        QVERIFY(!QFile::exists(path)); // only complete files appear under the name

        const QByteArray pcm = wavetest::Pcm(rate, channels, bits, frames);
        const int align = channels * bits / 8;
        // Pieces of uneven sizes, as a device hands them.
        for (int at = 0, piece = 7; at < pcm.size(); at += piece * align, piece = piece * 3 % 997 + 1)
            r.device->feed(pcm.mid(at, piece * align));
        r.wave.RecordStop();
        QCOMPARE(r.done.count(), 0);
        QVERIFY(!r.wave.IsRecording());
        const wavetest::Header h = wavetest::ReadHeader(path);
        QVERIFY2(wavetest::HeaderFaults(h).isEmpty(), qPrintable(wavetest::HeaderFaults(h)));
        QCOMPARE(int(h.rate), rate);
        QCOMPARE(int(h.channels), channels);
        QCOMPARE(int(h.bits), bits);
        QCOMPARE(h.data, pcm);
        QCOMPARE(r.wave.RecordedFrames(), qint64(frames));
        QTRY_COMPARE(r.done.count(), 1);
        QCOMPARE(r.wave.RecordEndCode(), 0);
        QCOMPARE(wavetest::Probe(path).section(',', 1),
                 QString("%1,%2").arg(rate).arg(channels)); // ffprobe reads it too
    }

    // The device hands its last piece over only when that piece's time is
    // up: RecordStop waits for it (the events running, so a timer fires
    // meanwhile), and the file holds it after the rest. A piece that never
    // comes holds RecordStop up for a bounded time only; the file then
    // holds what came.
    void stopTakesTheLastPieceStillOnItsWay_data() {
        QTest::addColumn<bool>("comes");
        QTest::newRow("the last piece comes") << true;
        QTest::newRow("it never comes") << false;
    }
    void stopTakesTheLastPieceStillOnItsWay() {
        QFETCH(bool, comes);
        Rig r;
        const QString path = r.env.path("last.wav");
        QCOMPARE(r.start(path, Format(44100, 2, 16)), 0);
        const QByteArray first = wavetest::Pcm(44100, 2, 16, 44100, 0.5, 0);
        const QByteArray last = wavetest::Pcm(44100, 2, 16, 441, 0.5, 44100);
        r.device->feed(first);
        r.device->lastPieceOnItsWay = true;
        int ticks = 0;
        QTimer arrival;
        arrival.setSingleShot(true);
        connect(&arrival, &QTimer::timeout, this, [&] {
            ++ticks;
            if (!comes) return;
            r.device->feed(last);
            r.device->drain();
        });
        arrival.start(0);
        r.wave.RecordStop();
        QCOMPARE(r.device->finishes, 1);
        QCOMPARE(ticks, 1);
        QVERIFY(!r.wave.IsRecording());
        const QByteArray expected = comes ? first + last : first;
        QCOMPARE(wavetest::ReadHeader(path).data, expected);
        QCOMPARE(r.wave.RecordedFrames(), qint64(expected.size() / 4));
        QCOMPARE(r.done.count(), 0);
        QTRY_COMPARE(r.done.count(), 1);
        QCOMPARE(r.wave.RecordEndCode(), 0);
    }

    // What comes in while paused is not in the file.
    void pauseLeavesThePausedSpanOut() {
        Rig r;
        const QString path = r.env.path("paused.wav");
        QCOMPARE(r.start(path, Format(8000, 1, 16)), 0);
        const QByteArray before = wavetest::Pcm(8000, 1, 16, 800, 0.5, 0);
        const QByteArray during = wavetest::Pcm(8000, 1, 16, 1600, 0.9, 800);
        const QByteArray after = wavetest::Pcm(8000, 1, 16, 800, 0.5, 2400);
        r.device->feed(before);
        QVERIFY(!r.wave.IsRecordPaused());
        r.wave.RecordPause();
        QVERIFY(r.wave.IsRecordPaused());
        r.device->feed(during);
        r.wave.RecordUnPause();
        QVERIFY(!r.wave.IsRecordPaused());
        r.device->feed(after);
        r.wave.RecordStop();
        QCOMPARE(wavetest::ReadHeader(path).data, before + after);
    }

    // The silent end is cut in 10 ms blocks when asked; a quiet hum below the
    // threshold counts as silence, one above it does not.
    void cutSilenceTrimsTheSilentEnd_data() {
        QTest::addColumn<bool>("cut");
        QTest::addColumn<double>("tail"); // amplitude of the last half second
        QTest::addColumn<int>("frames");  // frames kept
        QTest::newRow("not asked") << false << 0.0 << 8000;
        QTest::newRow("silence cut") << true << 0.0 << 4000;
        QTest::newRow("hum below the threshold cut") << true << 0.002 << 4000;   // about -54 dB: level 12
        QTest::newRow("sound above the threshold kept") << true << 0.01 << 8000; // -40 dB: level 40
    }
    void cutSilenceTrimsTheSilentEnd() {
        QFETCH(bool, cut);
        QFETCH(double, tail);
        QFETCH(int, frames);
        Rig r;
        r.wave.CutSilence = cut;
        r.wave.CutSilenceVal = 20;
        const QString path = r.env.path("cut.wav");
        QCOMPARE(r.start(path, Format(8000, 1, 16)), 0);
        const QByteArray tone = wavetest::Pcm(8000, 1, 16, 4000, 0.5);
        const QByteArray end = wavetest::Pcm(8000, 1, 16, 4000, tail, 4000);
        r.device->feed(tone + end);
        r.wave.RecordStop();
        const wavetest::Header h = wavetest::ReadHeader(path);
        QVERIFY2(wavetest::HeaderFaults(h).isEmpty(), qPrintable(wavetest::HeaderFaults(h)));
        QCOMPARE(h.data, (tone + end).left(frames * 2));
    }

    void meterScale_data() {
        QTest::addColumn<int>("peak");
        QTest::addColumn<int>("level");
        QTest::newRow("nothing") << 0 << 0;
        QTest::newRow("-60 dB and below") << 32 << 0;
        QTest::newRow("-50 dB, the cut's threshold") << 104 << 20;
        QTest::newRow("half scale, -6 dB") << 16384 << 108;
        QTest::newRow("full scale") << 32768 << 120;
        QTest::newRow("beyond full scale") << 40000 << 120;
    }
    void meterScale() {
        QFETCH(int, peak);
        QFETCH(int, level);
        QCOMPARE(int(cWave::LevelOfPeak(peak)), level);
    }

    // With MeterIn the level comes about every 50 ms of sound, queued: high
    // for a tone, zero for silence; without it nothing comes.
    void meterFollowsTheInput() {
        Rig r;
        r.wave.MeterIn = true;
        QCOMPARE(r.start(r.env.path("meter.wav"), Format(8000, 2, 8)), 0);
        r.device->feed(wavetest::Pcm(8000, 2, 8, 800, 0.5)); // 100 ms
        QCOMPARE(r.levels.count(), 0);
        QTRY_COMPARE(r.levels.count(), 2);
        for (const QList<QVariant>& l : r.levels)
            QVERIFY2(qAbs(l.at(0).toInt() - 108) <= 2, qPrintable(l.at(0).toString()));
        r.levels.clear();
        r.device->feed(wavetest::Pcm(8000, 2, 8, 800, 0.0));
        QTRY_COMPARE(r.levels.count(), 2);
        for (const QList<QVariant>& l : r.levels)
            QCOMPARE(l.at(0).toInt(), 0);
        r.levels.clear();
        r.wave.MeterIn = false;
        r.device->feed(wavetest::Pcm(8000, 2, 8, 800, 0.5));
        QTest::qWait(20);
        QCOMPARE(r.levels.count(), 0);
        r.wave.RecordStop();
    }

    // A device that goes away ends the recording like a stop: what was
    // recorded is kept with a true header, and DoneRecord says why.
    void lostDeviceKeepsWhatWasRecorded_data() {
        QTest::addColumn<bool>("says");
        QTest::newRow("the device says it went") << true;
        QTest::newRow("the device leaves the system's list") << false;
    }
    void lostDeviceKeepsWhatWasRecorded() {
        QFETCH(bool, says);
        Rig r;
        const QString path = r.env.path("lost.wav");
        QCOMPARE(r.start(path, Format(8000, 1, 16)), 0);
        const QByteArray pcm = wavetest::Pcm(8000, 1, 16, 2000);
        r.device->feed(pcm);
        if (says)
            r.device->lose();
        else
            r.device->present = false;
        QVERIFY(r.done.wait(5000));
        QCOMPARE(r.done.count(), 1);
        QVERIFY(!r.wave.IsRecording());
        QVERIFY(!r.device->running);
        qint32 code = r.wave.RecordEndCode();
        QCOMPARE(code, qint32(cWave::ErrDeviceLost));
        QVERIFY(r.wave.GetErrorText(code).contains("kept"));
        const wavetest::Header h = wavetest::ReadHeader(path);
        QVERIFY2(wavetest::HeaderFaults(h).isEmpty(), qPrintable(wavetest::HeaderFaults(h)));
        QCOMPARE(h.data, pcm);
    }

    // A device that only pauses (it is still listed) does not end the recording.
    void silentListedDeviceKeepsRecording() {
        Rig r;
        QCOMPARE(r.start(r.env.path("pause.wav"), Format(8000, 1, 16)), 0);
        QTest::qWait(600);
        QVERIFY(r.wave.IsRecording());
        QCOMPARE(r.done.count(), 0);
        r.wave.RecordStop();
    }

    // Refused starts leave nothing behind and raise no DoneRecord.
    void refusedStarts_data() {
        QTest::addColumn<QString>("path"); // relative to the test folder; "" for none
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("code");
        QTest::newRow("24 bits") << "a.wav" << 24 << "" << int(cWave::ErrBadFormat);
        QTest::newRow("no name") << "" << 16 << "" << int(cWave::ErrCannotWrite);
        QTest::newRow("missing folder") << "missing/a.wav" << 16 << "" << int(cWave::ErrCannotWrite);
        QTest::newRow("a folder") << "folder" << 16 << "" << int(cWave::ErrCannotWrite);
        QTest::newRow("device refuses") << "a.wav" << 16 << "busy device" << int(cWave::ErrDeviceOpen);
    }
    void refusedStarts() {
        QFETCH(QString, path);
        QFETCH(int, bits);
        QFETCH(QString, refusal);
        QFETCH(int, code);
        Rig r;
        QDir(r.env.root()).mkdir("folder");
        r.device->refusal = refusal;
        const QString full = path.isEmpty() ? QString() : r.env.root() + "/" + path;
        qint32 got = r.start(full, Format(8000, 1, bits));
        QCOMPARE(got, qint32(code));
        QVERIFY(!r.wave.GetErrorText(got).isEmpty());
        if (!refusal.isEmpty()) QVERIFY(r.wave.GetErrorText(got).contains(refusal));
        QVERIFY(!r.wave.IsRecording());
        QCOMPARE(QDir(r.env.root()).entryList(QDir::Files | QDir::Hidden).size(), 0);
        r.wave.RecordStop(); // harmless
        QTest::qWait(10);
        QCOMPARE(r.done.count(), 0);
    }

    void secondStartWhileRecordingIsRefused() {
        Rig r;
        QCOMPARE(r.start(r.env.path("one.wav"), Format(8000, 1, 16)), 0);
        QCOMPARE(r.start(r.env.path("two.wav"), Format(8000, 1, 16)), qint32(cWave::ErrBusy));
        QCOMPARE(r.device->starts, 1);
        r.wave.RecordStop();
    }

    // Recording over a file replaces it only when the new one is complete.
    void existingFileIsReplacedAtTheEnd() {
        Rig r;
        const QString path = r.env.path("old.wav");
        QVERIFY(testsupport::writeFileBytes(path, "old contents"));
        QCOMPARE(r.start(path, Format(8000, 1, 8)), 0);
        r.device->feed(wavetest::Pcm(8000, 1, 8, 100));
        QCOMPARE(testsupport::fileBytes(path), QByteArray("old contents"));
        r.wave.RecordStop();
        QCOMPARE(wavetest::ReadHeader(path).data.size(), 100);
    }

    // Close keeps a running recording's file, complete, and raises nothing.
    void closeKeepsTheRecording() {
        Rig r;
        const QString path = r.env.path("closed.wav");
        QCOMPARE(r.start(path, Format(8000, 1, 16)), 0);
        r.device->feed(wavetest::Pcm(8000, 1, 16, 400));
        r.wave.Close();
        QVERIFY(!r.device->running);
        QCOMPARE(wavetest::ReadHeader(path).data.size(), 800);
        QTest::qWait(10);
        QCOMPARE(r.done.count(), 0);
    }

    void fileInfo() {
        Rig r;
        const QString path = r.env.path("info.wav");
        QCOMPARE(r.start(path, Format(11025, 2, 8)), 0);
        r.device->feed(wavetest::Pcm(11025, 2, 8, 11025 * 5 / 2 + 1)); // just over 2.5 s
        r.wave.RecordStop();
        components::tWaveFileInfo info;
        QCOMPARE(r.wave.GetFileInfo(path, info), 0);
        QCOMPARE(info.wFormatTag, qint16(1));
        QCOMPARE(info.nChannels, qint16(2));
        QCOMPARE(info.nSamplesPerSec, 11025);
        QCOMPARE(info.nAvgBytesPerSec, 22050);
        QCOMPARE(info.nBlockAlign, qint16(2));
        QCOMPARE(info.wBitsPerSample, qint16(8));
        QCOMPARE(info.cbSize, qint16(0));
        QCOMPARE(info.FileName, QString("info.wav"));
        QCOMPARE(info.FilePath, r.env.root() + "/");
        QCOMPARE(info.SecondsLength, 3);
        QVERIFY(r.wave.GetFileInfo(r.env.path("none.wav"), info) != 0);
        QCOMPARE(info.nSamplesPerSec, 0);
        QCOMPARE(cWave::FormatSeconds(3661), QString("1:01:01"));
    }
};

QTEST_GUILESS_MAIN(tst_wave)
#include "tst_wave.moc"

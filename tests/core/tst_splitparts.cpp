// The splitter's arithmetic: which part lengths a start takes or refuses, the
// parts a length gives (they tile the source), and the part names.
#include "core/SplitParts.h"

#include <QtTest>

class tst_splitparts : public QObject {
    Q_OBJECT
private slots:
    void partLength_data() {
        QTest::addColumn<bool>("byParts");
        QTest::addColumn<QString>("number");
        QTest::addColumn<qint64>("durationMs");
        QTest::addColumn<qint32>("length"); // 0: refused
        QTest::addColumn<QList<qint32>>("starts");
        QTest::addColumn<qint32>("last"); // the range length of the last part
        // Parts mode: the length over the number of parts; exactly that many
        // parts, the last one taking what remains.
        QTest::newRow("7 s to 3 parts") << true << "3" << qint64(7000) << 2 << QList<qint32>{0, 2, 4} << 3;
        QTest::newRow("6 parts of 200.0 s")
            << true << "6" << qint64(200000) << 33 << QList<qint32>{0, 33, 66, 99, 132, 165} << 35;
        QTest::newRow("6 parts of 200.4 s: the last rounded up to the end")
            << true << "6" << qint64(200400) << 33 << QList<qint32>{0, 33, 66, 99, 132, 165} << 36;
        QTest::newRow("6 parts of 203.0 s: the last shorter")
            << true << "6" << qint64(203000) << 34 << QList<qint32>{0, 34, 68, 102, 136, 170} << 33;
        QTest::newRow("6 parts of 15 s: 2.5 halves to 2")
            << true << "6" << qint64(15000) << 2 << QList<qint32>{0, 2, 4, 6, 8, 10} << 5;
        QTest::newRow("6 parts of 21 s: 3.5 halves to 4")
            << true << "6" << qint64(21000) << 4 << QList<qint32>{0, 4, 8, 12, 16, 20} << 1;
        QTest::newRow("6 parts of 9 s: rounding up would leave the last nothing")
            << true << "6" << qint64(9000) << 1 << QList<qint32>{0, 1, 2, 3, 4, 5} << 4;
        QTest::newRow("4 parts of 10.2 s")
            << true << " 4 " << qint64(10200) << 3 << QList<qint32>{0, 3, 6, 9} << 2;
        QTest::newRow("2.5 parts halve to 2")
            << true << "2.5" << qint64(10000) << 5 << QList<qint32>{0, 5} << 5;
        for (const char* n : {"1", "1.4", "0", "-3", "six", ""})
            QTest::newRow(qPrintable(QString("%1 parts: refused").arg(n)))
                << true << n << qint64(200000) << 0 << QList<qint32>{} << 0;
        QTest::newRow("parts shorter than a second: refused")
            << true << "40" << qint64(10000) << 0 << QList<qint32>{} << 0;
        QTest::newRow("a source of no length: refused")
            << true << "6" << qint64(0) << 0 << QList<qint32>{} << 0;
        // Seconds mode: the seconds given, not shorter than a second, shorter
        // than the source; every range that long, the last running past the
        // end, which the converter stops at.
        QTest::newRow("3 s of 10.2 s")
            << false << "3" << qint64(10200) << 3 << QList<qint32>{0, 3, 6, 9} << 3;
        QTest::newRow("10 s of 10.2 s") << false << "10" << qint64(10200) << 10 << QList<qint32>{0, 10} << 10;
        QTest::newRow("10 s of 10.0 s: refused")
            << false << "10" << qint64(10000) << 0 << QList<qint32>{} << 0;
        QTest::newRow("2.5 s halves to 2")
            << false << "2.5" << qint64(10000) << 2 << QList<qint32>{0, 2, 4, 6, 8} << 2;
        for (const char* s : {"0.4", "0", "-2", "0.99", "ten"})
            QTest::newRow(qPrintable(QString("%1 s: refused").arg(s)))
                << false << s << qint64(10200) << 0 << QList<qint32>{} << 0;
    }
    void partLength() {
        QFETCH(bool, byParts);
        QFETCH(QString, number);
        QFETCH(qint64, durationMs);
        QFETCH(qint32, length);
        QFETCH(QList<qint32>, starts);
        QFETCH(qint32, last);
        // The other mode's text is never read.
        const std::optional<qint32> got = core::SplitPartLength(byParts, byParts ? number : QString("x"),
                                                                byParts ? QString("x") : number, durationMs);
        QCOMPARE(got.value_or(0), length);
        if (!got) return;
        const qint32 count = core::SplitPartCount(byParts, byParts ? number : QString("x"));
        QCOMPARE(count, byParts ? qint32(starts.size()) : 0);
        QCOMPARE(core::SplitPartStarts(*got, durationMs, count), starts);

        // The rows of the run: each the item with its part's range; together
        // they cover the source without overlapping.
        core::BatchItem item;
        item.file = "/music/song.wav";
        item.tags.title = "Title";
        const QList<core::BatchItem> parts = core::SplitPartItems(item, *got, durationMs, count);
        QCOMPARE(parts.size(), starts.size());
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QVERIFY(parts[i].ranged);
            QCOMPARE(parts[i].rangeStart, starts[i]);
            QCOMPARE(parts[i].rangeLength, i + 1 < parts.size() ? *got : last);
            QCOMPARE(parts[i].file, item.file);
            QCOMPARE(parts[i].tags.title, QString("Title"));
        }
        QVERIFY(qint64(starts.last() + last) * 1000 >= durationMs);
    }

    void partNames_data() {
        QTest::addColumn<qint32>("part");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("name");
        QTest::newRow("mp3") << 1 << "/m/song.mp3"
                             << "MP3 - MPEG-1 Audio Layer 3 (*.mp3)"
                             << "Part_1_song.MP3";
        QTest::newRow("wav") << 1 << "/m/song.mp3"
                             << "WAV - Waveform Audio Format (*.wav)"
                             << "Part_1_song.WAV";
        QTest::newRow("acm") << 1 << "/m/song.mp3"
                             << "ACM - Waveform ACM Codecs (*.wav)"
                             << "Part_1_song.ACM";
        QTest::newRow("no leading zeros") << 10 << "/m/song.wav"
                                          << "OGG - Ogg Media Format (*.ogg)"
                                          << "Part_10_song.OGG";
        QTest::newRow("four-letter extension") << 1 << "/m/track.flac"
                                               << "WAV - Waveform Audio Format (*.wav)"
                                               << "Part_1_track.fWAV";
        QTest::newRow("name of two characters") << 2 << "/m/ab"
                                                << "WAV - Waveform Audio Format (*.wav)"
                                                << "Part_2_WAV";
    }
    void partNames() {
        QFETCH(qint32, part);
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, name);
        QCOMPARE(core::CreatePartFileName(part, source, target), name);
    }

    void refusedText() {
        QCOMPARE(core::SplitRefusedText(), QString("Source file length is to small.       "));
    }
};

QTEST_GUILESS_MAIN(tst_splitparts)
#include "tst_splitparts.moc"

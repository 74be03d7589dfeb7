// Hand-made broken tags (corpus/, written by make_corpus.py): every one is
// read without a crash through the fuzzer's entry and from a real file, and
// an edit is either written so that it reads back or refused with the file
// left as it was. Each case is also replayed with its first bytes mutated.
#include "Id3v2Entry.h"
#include "TagFixtures.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v1.h"
#include "id3/cMP3ID3v2.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace id3;
using namespace tagtests;

class tst_tags_corpus : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void brokenTags_data() {
        QTest::addColumn<QString>("path");
        const QDir corpus(QStringLiteral(CORVANE_TAG_CORPUS));
        const QStringList names = corpus.entryList({"*.bin"}, QDir::Files, QDir::Name);
        QVERIFY(names.size() >= 25);
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }
    void brokenTags() {
        QFETCH(QString, path);
        const QByteArray bytes = ReadAll(path);
        FuzzID3v2(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        QByteArray mutated = bytes;
        for (int i = 0; i < qMin(64, int(bytes.size())); ++i)
            for (char c : {'\0', '\x7f', '\xff'}) {
                const char was = mutated[i];
                mutated[i] = c;
                FuzzID3v2(reinterpret_cast<const uint8_t*>(mutated.constData()), size_t(mutated.size()));
                mutated[i] = was;
            }

        const QString copy = m_dir.filePath(QFileInfo(path).fileName() + ".mp3");
        QVERIFY(WriteAll(copy, bytes));
        cMP3ID3v1 v1;
        v1.setMP3File(copy);
        cMP3ID3v2 v2;
        v2.setMP3File(copy);
        v2.setTitle(QStringLiteral("edited"));
        try {
            v2.Update();
        } catch (const TagError& e) {
            QCOMPARE(e.Number, kErrCannotRewrite);
            QCOMPARE(ReadAll(copy), bytes);
            return;
        }
        cMP3ID3v2 again;
        again.setMP3File(copy);
        QVERIFY(again.HasID3v2Tag());
        QCOMPARE(again.Title(), QStringLiteral("edited"));
        // What stood after the old tag is still there, at the end of the file.
        QVERIFY(ReadAll(copy).endsWith(bytes.right(qMin<qsizetype>(bytes.size(), 100))) || !v2.HasID3v2Tag());
    }
};

QTEST_GUILESS_MAIN(tst_tags_corpus)
#include "tst_tags_corpus.moc"

// Which voices the speech component offers: only those whose dictionary is
// installed, the engine's default voice first. The engine is pointed (before
// its first use) at a data folder that holds the English dictionary only.
#include "components/EspeakLibrary.h"
#include "components/cOrlath.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The engine's data folder, as its command line reports it.
QString SystemDataFolder() {
    QProcess p;
    p.start("espeak-ng", {"--version"});
    p.waitForFinished(30000);
    const QRegularExpressionMatch m =
        QRegularExpression("Data at: (\\S+)").match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1) : QString();
}

bool CopyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& fi : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = to + '/' + fi.fileName();
        if (fi.isDir() ? !CopyTree(fi.filePath(), target) : !QFile::copy(fi.filePath(), target)) return false;
    }
    return true;
}

} // namespace

class tst_orlath_voices : public QObject {
    Q_OBJECT
private slots:
    void dictionaryOfAVoice_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("dictionary");
        QTest::newRow("language") << "name English (America)\nlanguage en-us 2\n"
                                  << "en-us"
                                  << "en";
        QTest::newRow("plain") << "name German\nlanguage de\n"
                               << "de"
                               << "de";
        QTest::newRow("own line") << "name Chinese\nlanguage cmn-latn-pinyin\n\ndictionary cmn\n"
                                  << "cmn-latn-pinyin"
                                  << "cmn";
        QTest::newRow("unreadable file") << ""
                                         << "fr-be"
                                         << "fr";
        QTest::newRow("nothing") << ""
                                 << ""
                                 << "";
    }
    void dictionaryOfAVoice() {
        QFETCH(QString, file);
        QFETCH(QString, language);
        QFETCH(QString, dictionary);
        QCOMPARE(components::espeak::DictionaryOf(file, language), dictionary);
    }

    void onlyVoicesWithTheirDictionary() {
        const QString system = SystemDataFolder();
        QVERIFY2(QFileInfo(system + "/en_dict").isFile(), qPrintable(system));
        QTemporaryDir dir;
        const QString data = dir.filePath("espeak-ng-data");
        QVERIFY(QDir().mkpath(data));
        for (const QString& name : QDir(system).entryList({"phon*", "intonations"}, QDir::Files))
            QVERIFY(QFile::copy(system + '/' + name, data + '/' + name));
        QVERIFY(CopyTree(system + "/lang", data + "/lang"));
        QVERIFY(QFile::copy(system + "/en_dict", data + "/en_dict"));
        qputenv("ESPEAK_DATA_PATH", dir.path().toLocal8Bit());

        components::cOrlath speech;
        QVERIFY2(speech.VoiceCount() >= 5, qPrintable(speech.ErrorText()));
        QCOMPARE(speech.VoiceName(1), QString("English (Great Britain)"));
        for (qint32 i = 1; i <= speech.VoiceCount(); ++i)
            QVERIFY2(speech.VoiceName(i).startsWith("English"), qPrintable(speech.VoiceName(i)));
        QCOMPARE(speech.VoiceName(0), QString());
        QCOMPARE(speech.VoiceName(speech.VoiceCount() + 1), QString());
        // An offered voice speaks.
        speech.setVoice(speech.VoiceCount() - 1);
        QCOMPARE(speech.SpeakToWave("Hello there.", dir.filePath("hello.wav")), 0);
    }
};

QTEST_GUILESS_MAIN(tst_orlath_voices)
#include "tst_orlath_voices.moc"

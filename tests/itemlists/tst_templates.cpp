// The end-of-job command line (tokens, order, the split into program and
// arguments that no shell ever sees) and the speech generator's file names.
#include "TestEnv.h"
#include "core/mdlModes.h"
#include "itemlists/Templates.h"
#include "settings/SettingsVariables.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace itemlists;

Q_DECLARE_METATYPE(itemlists::NoticFileValues)

namespace {

NoticFileValues values(std::optional<QString> name, std::optional<QString> size, std::optional<QString> time,
                       std::optional<QString> created) {
    NoticFileValues v;
    v.fileRecorded = std::move(name);
    v.fileSize = std::move(size);
    v.fileTimeLength = std::move(time);
    v.fileCreated = std::move(created);
    return v;
}

NoticFileValues take1() {
    return values("Take 1.wav", "3.5 MB", "00:03:20", "12/8/26 2:05 PM");
}

} // namespace

class TstTemplates : public QObject {
    Q_OBJECT
private:
    QString m_name, m_version, m_notice;

private slots:
    void init() {
        m_name = core::g_sProductName;
        m_version = core::g_sProductVersion;
        m_notice = settings::g_sAppNotice;
        core::g_sProductName = "Corvane";
        core::g_sProductVersion = "1.2";
    }
    void cleanup() {
        core::g_sProductName = m_name;
        core::g_sProductVersion = m_version;
        settings::g_sAppNotice = m_notice;
    }

    void expandTokens_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<NoticFileValues>("file");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty template") << "" << take1() << "";
        QTest::newRow("no token") << "notify --done" << take1() << "notify --done";
        QTest::newRow("every token") << "[PROG_NAME]|[PROG_VERSION]|[FILE_RECORDED]|[FILE_SIZE]|"
                                        "[FILE_TIME_LENGTH]|[FILE_CREATED]"
                                     << take1() << "Corvane|1.2|Take 1.wav|3.5 MB|00:03:20|12/8/26 2:05 PM";
        QTest::newRow("token twice") << "[PROG_NAME] [PROG_NAME]" << take1() << "Corvane Corvane";
        QTest::newRow("tokens touching") << "[PROG_NAME][PROG_VERSION]" << take1() << "Corvane1.2";
        QTest::newRow("player example")
            << "player.exe [FILE_RECORDED] [FILE_TIME_LENGTH]" << take1() << "player.exe Take 1.wav 00:03:20";
        QTest::newRow("letter case matters") << "[Prog_Name] [FILE_recorded] [prog_name] [PROG_NAME]"
                                             << take1() << "[Prog_Name] [FILE_recorded] [prog_name] Corvane";
        QTest::newRow("unknown tokens stay") << "[FILE_PATH] [DATE] [file_name] [PROG_NAME" << take1()
                                             << "[FILE_PATH] [DATE] [file_name] [PROG_NAME";
        // Replacement runs in table order on the growing text: a later token
        // inside an earlier value is replaced, an earlier one is not.
        QTest::newRow("later token inside a value")
            << "[FILE_RECORDED]" << values("[FILE_SIZE].wav", "12 KB", "00:00:01", "x") << "12 KB.wav";
        QTest::newRow("earlier token inside a value")
            << "[FILE_RECORDED]" << values("[PROG_NAME].wav", "12 KB", "00:00:01", "x") << "[PROG_NAME].wav";
        QTest::newRow("empty values") << "a[FILE_SIZE]b[FILE_CREATED]c" << values("n", "", "t", "") << "abc";
        QTest::newRow("unreadable value keeps its token")
            << "[FILE_RECORDED] [FILE_SIZE] [PROG_NAME]" << values(std::nullopt, "1 KB", "t", "c")
            << "[FILE_RECORDED] 1 KB Corvane";
        QTest::newRow("no row at all") << "[PROG_NAME] [FILE_RECORDED] [FILE_CREATED]" << NoticFileValues{}
                                       << "Corvane [FILE_RECORDED] [FILE_CREATED]";
    }
    void expandTokens() {
        QFETCH(QString, text);
        QFETCH(NoticFileValues, file);
        QFETCH(QString, expected);
        QCOMPARE(ExpandNoticAppTokens(text, file), expected);
        settings::g_sAppNotice = text;
        QCOMPARE(GetNoticAppParameters(file), expected);
    }

    void split_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");

        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("blanks only") << "  \t \r\n " << QStringList{};
        QTest::newRow("plain") << "notify -a  b" << QStringList{"notify", "-a", "b"};
        QTest::newRow("tabs and line breaks") << "notify\t-a\r\nb\n" << QStringList{"notify", "-a", "b"};
        QTest::newRow("double quotes keep blanks")
            << "\"/opt/my tools/notify\" \"a  b\"" << QStringList{"/opt/my tools/notify", "a  b"};
        QTest::newRow("single quotes keep double ones")
            << "echo 'say \"hi\"'" << QStringList{"echo", "say \"hi\""};
        QTest::newRow("double quotes keep single ones") << "echo \"it's\"" << QStringList{"echo", "it's"};
        QTest::newRow("parts joined") << "run --file=\"a b\".wav" << QStringList{"run", "--file=a b.wav"};
        QTest::newRow("empty word") << "run \"\" x ''" << QStringList{"run", "", "x", ""};
        QTest::newRow("open quote runs to the end") << "run \"a b" << QStringList{"run", "a b"};
        QTest::newRow("shell characters are text")
            << "run $(id) `id` a;b a|b a&&b >out ~ * \\x"
            << QStringList{"run", "$(id)", "`id`", "a;b", "a|b", "a&&b", ">out", "~", "*", "\\x"};
    }
    void split() {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QCOMPARE(SplitCommandLine(line), words);
    }

    // The template is split before the tokens are replaced: a value with
    // blanks, quotes or shell characters stays one argument, unchanged.
    void callKeepsValuesWhole_data() {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<NoticFileValues>("file");
        QTest::addColumn<QStringList>("expected"); // program, then arguments

        QTest::newRow("blank in a value") << "player [FILE_RECORDED] [FILE_TIME_LENGTH]" << take1()
                                          << QStringList{"player", "Take 1.wav", "00:03:20"};
        QTest::newRow("quoted token")
            << "player \"[FILE_RECORDED]\"" << take1() << QStringList{"player", "Take 1.wav"};
        QTest::newRow("quotes in a value")
            << "player [FILE_RECORDED]" << values("My \"Best\" 'Song'.wav", "", "", "")
            << QStringList{"player", "My \"Best\" 'Song'.wav"};
        QTest::newRow("shell characters in a value")
            << "player --name=[FILE_RECORDED] [FILE_SIZE]"
            << values("x; rm -rf ~ | cat $(id) `id` > /tmp/o &", "$HOME", "", "")
            << QStringList{"player", "--name=x; rm -rf ~ | cat $(id) `id` > /tmp/o &", "$HOME"};
        QTest::newRow("program with blanks") << "'/opt/my tools/[PROG_NAME] notify' [PROG_VERSION]" << take1()
                                             << QStringList{"/opt/my tools/Corvane notify", "1.2"};
        QTest::newRow("empty value stays an argument")
            << "player [FILE_SIZE] end" << values("n", "", "", "") << QStringList{"player", "", "end"};
        QTest::newRow("line breaks in a value")
            << "player [FILE_RECORDED]" << values("a\nb c", "", "", "") << QStringList{"player", "a\nb c"};
    }
    void callKeepsValuesWhole() {
        QFETCH(QString, templ);
        QFETCH(NoticFileValues, file);
        QFETCH(QStringList, expected);
        const ProgramCall call = BuildNoticAppCall(templ, &file);
        QCOMPARE(QStringList{call.program} + call.arguments, expected);

        testsupport::TestEnv env;
        settings::g_sAppNotice = templ;
        QVERIFY(RunNoticApp(file));
        QCOMPARE(env.services().startedPrograms, QList<QStringList>{expected});
    }

    // The Options dialog's test run takes the words as typed.
    void callWithoutExpansion() {
        const ProgramCall call = BuildNoticAppCall("notify \"[PROG_NAME] x\" [FILE_SIZE]", nullptr);
        QCOMPARE(call.program, "notify");
        QCOMPARE(call.arguments, (QStringList{"[PROG_NAME] x", "[FILE_SIZE]"}));
    }

    void nothingToStart() {
        testsupport::TestEnv env;
        for (const QString& templ : {QString(), QString("   "), QString("[FILE_SIZE] a")}) {
            settings::g_sAppNotice = templ;
            QVERIFY(!RunNoticApp(values("n", "", "t", "c")));
        }
        QVERIFY(env.services().startedPrograms.isEmpty());
    }

    // A real program gets every value byte for byte, and nothing in them runs.
    void realProgramSeesArgumentsAsGiven() {
        const QString printf = QStandardPaths::findExecutable("printf");
        if (printf.isEmpty()) QSKIP("no printf program");
        QTemporaryDir dir;
        const QString marker = dir.filePath("ran");
        const NoticFileValues file = values("$(touch " + marker + ")", "`touch " + marker + "`",
                                            "a;touch " + marker, "\"q\" 'r' |&<>*");
        const ProgramCall call = BuildNoticAppCall(
            printf + " '%s\\n' [FILE_RECORDED] [FILE_SIZE] [FILE_TIME_LENGTH] [FILE_CREATED]", &file);
        QProcess process;
        process.start(call.program, call.arguments);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
        QCOMPARE(lines, (QStringList{*file.fileRecorded, *file.fileSize, *file.fileTimeLength,
                                     *file.fileCreated, QString()}));
        QVERIFY(!QFileInfo::exists(marker));
    }

    void getExt_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("ext");
        QTest::newRow("WAV") << "WAV - Waveform Audio Format (*.wav)"
                             << "wav";
        QTest::newRow("ACM") << "ACM - Waveform ACM Codecs (*.wav)"
                             << "wav";
        QTest::newRow("MP3") << "MP3 - MPEG-1 Audio Layer 3 (*.mp3)"
                             << "mp3";
        QTest::newRow("WMA") << "WMA - Windows Media Audio (*.wma)"
                             << "wma";
        QTest::newRow("OGG") << "OGG - Ogg Vorbis (*.ogg)"
                             << "ogg";
        QTest::newRow("APE") << "APE - Monkey's Audio (*.ape)"
                             << "ape";
        QTest::newRow("lower case code") << "mp3 - x"
                                         << "mp3";
        QTest::newRow("other code") << "FLA - x"
                                    << "";
        QTest::newRow("short text") << "MP"
                                    << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void getExt() {
        QFETCH(QString, format);
        QFETCH(QString, ext);
        QCOMPARE(GetExt(format), ext);
    }

    void createFileName_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("slashes") << "en_US" << QTime(14, 5, 9) << "MP3 - MPEG-1 Audio Layer 3 (*.mp3)"
                                 << "14-05-09_12-8-26.mp3";
        QTest::newRow("dots stay") << "de_DE" << QTime(9, 5, 7) << "OGG - Ogg Vorbis (*.ogg)"
                                   << "09-05-07_08.12.26.ogg";
        QTest::newRow("blanks") << "C" << QTime(23, 0, 0) << "ACM - Waveform ACM Codecs (*.wav)"
                                << "23-00-00_8-Dec-2026.wav";
        QTest::newRow("no extension") << "en_US" << QTime(0, 0, 1) << "FLAC"
                                      << "00-00-01_12-8-26.";
    }
    void createFileName() {
        QFETCH(QString, locale);
        QFETCH(QTime, time);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        testsupport::TestEnv env;
        env.services().fixedLocale = QLocale(locale);
        env.services().fixedNow = QDateTime(QDate(2026, 12, 8), time);
        QCOMPARE(CreateFileName(format), expected);
        QCOMPARE(CreateFileName(format), expected); // same second, same name
    }
};

QTEST_MAIN(TstTemplates)
#include "tst_templates.moc"

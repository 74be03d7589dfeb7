#include "FileFixtures.h"
#include "TestEnv.h"

#include "controls/cStatusBar.h"
#include "core/mdlModes.h"
#include "dialogs/frmNotes.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QtTest>

namespace {

using testsupport::processDeletes;
using testsupport::readFile;

// Opens the notes window as the "Notes" command does, types the text and closes it.
void editNotes(const QString& text) {
    QPointer<frmNotes> notes = new frmNotes;
    notes->Form_Load();
    notes->show();
    notes->Text1->setPlainText(text);
    QVERIFY(notes->close());
    processDeletes();
    QVERIFY(notes.isNull());
}

QString loadedText() {
    frmNotes notes;
    notes.Form_Load();
    return notes.Text1->toPlainText();
}

} // namespace

class tst_notes : public QObject {
    Q_OBJECT
private slots:
    void firstUseCreatesEmptyFile() {
        testsupport::TestEnv env;
        const QString file = env.home() + "/Notes";
        QVERIFY(!QFile::exists(file));
        frmNotes notes;
        notes.Form_Load();
        QCOMPARE(notes.windowTitle(), QString("Notes"));
        QVERIFY(QFile::exists(file));
        QCOMPARE(readFile(file), QByteArray());
        QCOMPARE(notes.Text1->toPlainText(), QString());
        notes.Form_Unload();
        QCOMPARE(readFile(file), QByteArray("\r\n"));
        QCOMPARE(loadedText(), QString());
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("empty") << "" << QByteArray("\r\n");
        QTest::newRow("one character") << "a" << QByteArray("a\r\n");
        QTest::newRow("one line") << "abc" << QByteArray("abc\r\n");
        QTest::newRow("two lines") << "line one\nline two" << QByteArray("line one\r\nline two\r\n");
        QTest::newRow("ends with a break") << "last\n" << QByteArray("last\r\n\r\n");
        QTest::newRow("only a break") << "\n" << QByteArray("\r\n\r\n");
        QTest::newRow("blank line inside") << "a\n\nb" << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("non-ASCII") << QString::fromUtf8("caf\u00e9 \u00fcber")
                                   << QByteArray("caf\xc3\xa9 \xc3\xbc"
                                                 "ber\r\n");
    }
    void roundTrip() {
        QFETCH(QString, text);
        QFETCH(QByteArray, stored);
        testsupport::TestEnv env;
        editNotes(text);
        QCOMPARE(readFile(env.home() + "/Notes"), stored);
        QCOMPARE(loadedText(), text);
    }

    // Closing the window refreshes the main window's "Notes" panel.
    void statusPanelFollowsNotes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("panel");
        QTest::newRow("empty") << ""
                               << "Notes [ Empty ]";
        QTest::newRow("two lines") << "buy\nblank discs"
                                   << "Notes [ buy blank discs ]";
        QTest::newRow("long") << QString(50, 'n') << "Notes [ " + QString(35, 'n') + "... ]";
    }
    void statusPanelFollowsNotes() {
        QFETCH(QString, text);
        QFETCH(QString, panel);
        testsupport::TestEnv env;
        core::InitModes();
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
        QPointer<frmMain> main = new frmMain;
        main->Form_Load();
        main->cStatusBar1->setPanelText("Notes", "stale");

        editNotes(text);
        const QString shown = main->cStatusBar1->PanelText("Notes");
        main->close();
        processDeletes();
        settings::g_bAppExiting = false;
        QCOMPARE(shown, panel);
    }

    // Notes that cannot be read are not replaced by an empty box; a failed save is told.
    void unreadableNotesAreKept() {
        testsupport::TestEnv env;
        QVERIFY(QDir(env.home()).mkpath("Notes"));
        {
            frmNotes notes;
            notes.Form_Load();
            QCOMPARE(notes.Text1->toPlainText(), QString());
            notes.Form_Unload();
        }
        QVERIFY(env.services().messages.isEmpty());
        QVERIFY(QFileInfo(env.home() + "/Notes").isDir());

        frmNotes notes;
        notes.Form_Load();
        QTest::keyClicks(notes.Text1, "typed");
        notes.Form_Unload();
        QCOMPARE(env.services().messages.size(), 1);
        QVERIFY(env.services().messages.first().prompt.contains("could not be saved"));
        QCOMPARE(env.services().messages.first().title, core::AppTitle());
    }

    void boxFollowsWindowSize() {
        testsupport::TestEnv env;
        frmNotes notes;
        notes.Form_Load();
        notes.show();
        notes.resize(400, 300);
        const QSize outer = notes.frameGeometry().size();
        QCOMPARE(notes.Text1->pos(), QPoint(0, 0));
        QCOMPARE(notes.Text1->size(), QSize(outer.width() - 100 / 15, outer.height() - 500 / 15));
        const QSize valid = notes.Text1->size();
        notes.resize(1, 1);
        if (notes.frameGeometry().height() <= 500 / 15) QCOMPARE(notes.Text1->size(), valid);
    }
};

QTEST_MAIN(tst_notes)
#include "tst_notes.moc"

#include "SettingsStore.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "controls/ControlColor.h"
#include "controls/cTreeView.h"
#include "core/AppPaths.h"
#include "core/RegistryRoutines.h"
#include "core/mdlFunctions.h"
#include "dialogs/mdlCommDialog.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace settings;
using testsupport::loadedOptions;
using testsupport::storedSetting;
using testsupport::storeSetting;

namespace {

QColor TitleTextColor(const frmOptions& dialog) {
    return dialog.lblTitle->palette().color(QPalette::WindowText);
}

} // namespace

class tst_options_pages : public QObject {
    Q_OBJECT
private slots:
    void init() { g_bAppExiting = false; }

    // --- Sound ---------------------------------------------------------------

    void soundPickerShowsNameKeepsPathStoresOnOk() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        const QString before = g_sPlayAtEnd;
        const QString chosen = env.path("sounds") + "/Ding Dong.wav";
        env.services().openAnswers.enqueue({chosen});

        dialog->cmdAddSound_Click();
        QCOMPARE(env.services().openRequests.size(), 1);
        QCOMPARE(env.services().openRequests[0].title, QString("Select files"));
        QVERIFY(env.services().openRequests[0].filter.contains("*.mp3"));
        QVERIFY(env.services().openRequests[0].filter.contains("*.wav"));
        QCOMPARE(dialog->txtPlayAtEnd->text(), QString("Ding Dong.wav"));
        QCOMPARE(dialog->txtPlayAtEnd->toolTip(), chosen);
        QCOMPARE(dialog->txtPlayAtEnd->property("Tag").toString(), chosen);
        QCOMPARE(g_sPlayAtEnd, before); // not before OK

        dialog->cmdOk_Click();
        QCOMPARE(g_sPlayAtEnd, chosen);
        QCOMPARE(storedSetting("Events", "txtPlayAtEnd"), chosen);
    }

    void soundPickerCancelledChangesNothing() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        const QString before = dialog->txtPlayAtEnd->property("Tag").toString();
        const QString shown = dialog->txtPlayAtEnd->text();
        QVERIFY(!before.isEmpty());

        dialog->cmdAddSound_Click(); // no answer queued: cancelled
        QCOMPARE(dialog->txtPlayAtEnd->property("Tag").toString(), before);
        QCOMPARE(dialog->txtPlayAtEnd->text(), shown);
        dialog->cmdOk_Click();
        QCOMPARE(g_sPlayAtEnd, before);
    }

    void testSoundPlaysTheChosenFile() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        const QString chosen = env.path("sounds") + "/bell.mp3";
        env.services().openAnswers.enqueue({chosen});
        dialog->cmdAddSound_Click();

        dialog->cmdTestSound_Click();
        QCOMPARE(env.services().playedSounds, QList<QString>{chosen});
        QVERIFY(env.services().messages.isEmpty());
        // A sound that cannot be played is said, naming the file.
        env.services().soundPlays = false;
        dialog->cmdTestSound_Click();
        QCOMPARE(env.services().messages.size(), 1);
        QVERIFY(env.services().messages.first().prompt.contains(chosen));
        // Hiding the dialog stops a sound that still plays.
        const int stops = env.services().soundStops;
        dialog->cmdCancel_Click();
        QCOMPARE(env.services().soundStops, stops + 1);
    }

    // --- External program ------------------------------------------------------

    void testProgramRunsTheTemplateAsTyped() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        dialog->chkNoticeApp->setChecked(true);
        dialog->txtAppNotice->setPlainText("\"/opt/my tools/notify\" [PROG_NAME] [FILE_RECORDED]");
        QCOMPARE(dialog->TestAppCommandLine(), dialog->txtAppNotice->toPlainText());

        dialog->cmdTestApp_Click();
        QCOMPARE(env.services().startedPrograms.size(), 1);
        QCOMPARE(env.services().startedPrograms[0],
                 (QStringList{"/opt/my tools/notify", "[PROG_NAME]", "[FILE_RECORDED]"}));

        dialog->txtAppNotice->setPlainText("   ");
        dialog->cmdTestApp_Click();
        QCOMPARE(env.services().startedPrograms.size(), 1); // nothing to start
    }

    // --- Enabling rules ----------------------------------------------------------

    void enablingRules_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<QStringList>("disabled");
        const QStringList sound{"txtPlayAtEnd", "cmdAddSound", "cmdTestSound"};
        const QStringList program{"txtAppNotice", "cmdTestApp"};
        const QStringList tags{"lblTagArtist", "lblTagSong",    "lblTagAlbum",  "lblTagGenre",  "lblTagTrack",
                               "lblTagYear",   "lblTagComment", "txtTagArtist", "txtTagSong",   "txtTagAlbum",
                               "txtTagGenre",  "txtTagTrack",   "txtTagYear",   "txtTagComment"};
        QTest::newRow("sound on") << "chkPlaySound" << true << sound << QStringList{};
        QTest::newRow("sound off") << "chkPlaySound" << false << QStringList{} << sound;
        QTest::newRow("program on") << "chkNoticeApp" << true << program << QStringList{};
        QTest::newRow("program off") << "chkNoticeApp" << false << QStringList{} << program;
        QTest::newRow("copy tags on") << "chkCopyID3FromSource" << true << QStringList{} << tags;
        QTest::newRow("copy tags off") << "chkCopyID3FromSource" << false << tags << QStringList{};
    }
    void enablingRules() {
        QFETCH(QString, box);
        QFETCH(bool, checked);
        QFETCH(QStringList, enabled);
        QFETCH(QStringList, disabled);
        auto check = [&](frmOptions& dialog, const char* how) {
            for (const QString& name : enabled) {
                QWidget* widget = dialog.findChild<QWidget*>(name);
                QVERIFY2(widget && widget->isEnabled(), qPrintable(name + " " + how));
            }
            for (const QString& name : disabled) {
                QWidget* widget = dialog.findChild<QWidget*>(name);
                QVERIFY2(widget && !widget->isEnabled(), qPrintable(name + " " + how));
            }
            // The links stay usable whatever the boxes say.
            for (QLabel* link : {dialog.lblNoticParameters, dialog.lblID3TagParameters, dialog.lblParameters})
                QVERIFY(link->isEnabled());
        };

        {
            // The stored value, read at load.
            testsupport::TestEnv env;
            storeSetting(box == "chkCopyID3FromSource" ? "ID3 Tags" : "Events", box, checked ? "1" : "0");
            auto dialog = loadedOptions();
            check(*dialog, "at load");
        }
        {
            // A click, from the opposite state.
            testsupport::TestEnv env;
            storeSetting(box == "chkCopyID3FromSource" ? "ID3 Tags" : "Events", box, checked ? "0" : "1");
            auto dialog = loadedOptions();
            QCheckBox* checkBox = dialog->findChild<QCheckBox*>(box);
            QVERIFY(checkBox->isChecked() != checked);
            QTest::mouseClick(checkBox, Qt::LeftButton, {}, QPoint(4, checkBox->height() / 2));
            QCOMPARE(checkBox->isChecked(), checked);
            check(*dialog, "after a click");
            // Cancel puts the stored value back, and the states with it.
            dialog->cmdCancel_Click();
            QCOMPARE(checkBox->isChecked(), !checked);
            for (const QString& name : enabled)
                QVERIFY2(!dialog->findChild<QWidget*>(name)->isEnabled(), qPrintable(name + " after cancel"));
        }
    }

    void disabledTagFieldsKeepAndStoreTheirTexts() {
        testsupport::TestEnv env;
        storeSetting("ID3 Tags", "chkCopyID3FromSource", "1");
        storeSetting("ID3 Tags", "txtTagArtist", "Kept");
        auto dialog = loadedOptions();
        QVERIFY(!dialog->txtTagArtist->isEnabled());
        QCOMPARE(dialog->txtTagArtist->text(), QString("Kept"));
        dialog->cmdOk_Click();
        QCOMPARE(storedSetting("ID3 Tags", "txtTagArtist"), QString("Kept"));
        QCOMPARE(g_sTagArtist, QString("Kept"));
    }

    // --- Lists folder ------------------------------------------------------------

    void folderPicker_data() {
        QTest::addColumn<QString>("answer"); // relative to the test folder; "/" alone is the root
        QTest::addColumn<QString>("expected");
        QTest::newRow("no closing slash") << "lists/a"
                                          << "lists/a/";
        QTest::newRow("closing slash kept single") << "lists/b/"
                                                   << "lists/b/";
        QTest::newRow("root") << "/"
                              << "/";
    }
    void folderPicker() {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        const QString before = g_sItemsListDir;
        auto full = [&](const QString& relative) {
            return relative == "/" ? relative : env.root() + "/" + relative;
        };
        env.services().folderAnswers.enqueue(full(answer));

        dialog->cmdSelectPath_Click();
        QCOMPARE(env.services().folderRequests, QList<QString>{"Select a new directory"});
        QCOMPARE(dialog->txtToPath->currentText(), full(expected));
        QCOMPARE(dialog->txtToPath->itemText(0), full(expected)); // first in the history
        QCOMPARE(g_sItemsListDir, before);                        // not before OK

        QSignalSpy applied(dialog.get(), &frmOptions::settingsApplied);
        dialog->cmdOk_Click();
        QCOMPARE(g_sItemsListDir, full(expected));
        QCOMPARE(storedSetting("General", "txtToPath"), full(expected));
        QCOMPARE(applied.count(), 1);
        QCOMPARE(applied[0][0].toBool(), true);
    }

    void folderPickerCancelledChangesNothing() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        const QString before = dialog->txtToPath->currentText();
        const int historyBefore = dialog->txtToPath->count();
        dialog->cmdSelectPath_Click(); // no answer: cancelled
        QCOMPARE(dialog->txtToPath->currentText(), before);
        QCOMPARE(dialog->txtToPath->count(), historyBefore);
    }

    void openFolderLink_data() {
        QTest::addColumn<QString>("typed"); // relative to the test folder, as typed (no closing slash)
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer"); // 0: no question expected
        QTest::addColumn<bool>("created");
        QTest::addColumn<bool>("opened");
        QTest::newRow("existing folder") << "here" << true << 0 << false << true;
        QTest::newRow("missing, yes") << "new/deep" << false << int(core::vbYes) << true << true;
        QTest::newRow("missing, no") << "new/deep" << false << int(core::vbNo) << false << false;
    }
    void openFolderLink() {
        QFETCH(QString, typed);
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(bool, created);
        QFETCH(bool, opened);
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        const QString folder = env.root() + "/" + typed;
        if (exists) QVERIFY(QDir().mkpath(folder));
        if (answer) env.services().msgBoxAnswers.enqueue(answer);
        dialog->txtToPath->setEditText(folder);

        dialog->lblOpenDestinationDestinationFolder_Click();
        QCOMPARE(dialog->txtToPath->currentText(), folder + "/");
        if (answer) {
            QCOMPARE(env.services().messages.size(), 1);
            QCOMPARE(env.services().messages[0].prompt, "The folder " + folder + "/ does not exist." +
                                                            QString(44, ' ') +
                                                            "\r\n\r\nWould you like to create it?");
            QCOMPARE(env.services().messages[0].style, int(core::vbYesNo | core::vbInformation));
            QCOMPARE(env.services().messages[0].title, QString("Corvane 1.2"));
        } else {
            QVERIFY(env.services().messages.isEmpty());
        }
        QCOMPARE(core::IsFolder(folder), exists || created);
        if (created) QCOMPARE(dialog->txtToPath->itemText(0), folder + "/");
        QCOMPARE(env.services().openedUrls.size(), opened ? 1 : 0);
        if (opened) QCOMPARE(env.services().openedUrls[0].toLocalFile(), folder + "/");
    }

    void openFolderLinkThatCannotBeCreated() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        const QString blocker = env.root() + "/blocker";
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString folder = blocker + "/inside/";
        env.services().msgBoxAnswers.enqueue(core::vbYes);
        dialog->txtToPath->setEditText(folder);

        dialog->lblOpenDestinationDestinationFolder_Click();
        QCOMPARE(env.services().messages.size(), 2);
        QCOMPARE(env.services().messages[1].prompt, "The path: " + folder + " cannot be created.");
        QCOMPARE(env.services().messages[1].style, int(core::vbOKOnly));
        // The shell is still asked, as after any answer but No.
        QCOMPARE(env.services().openedUrls.size(), 1);
    }

    // --- Colours -------------------------------------------------------------

    void applicationColourPicker() {
        testsupport::TestEnv env;
        storeSetting("General", "picColor", "0");
        auto dialog = loadedOptions();
        env.services().colorAnswers.enqueue(0x302010);

        QTest::mouseClick(dialog->picColor, Qt::LeftButton);
        QCOMPARE(frmOptions::BackColor(dialog->picColor), 0x302010);
        QCOMPARE(frmOptions::BackColor(dialog->picTitle), 0x302010);
        QCOMPARE(g_lAppColor, 0); // not before OK

        dialog->cmdOk_Click();
        QCOMPARE(g_lAppColor, 0x302010);
        QCOMPARE(storedSetting("General", "picColor"), QString::number(0x302010));
    }

    void textColourPickerReachesTheMainWindowAtOnce() {
        testsupport::TestEnv env;
        storeSetting("General", "picTextColor", "0");
        auto dialog = loadedOptions();
        QSignalSpy picked(dialog.get(), &frmOptions::textColorPicked);
        env.services().colorAnswers.enqueue(0x0080FF);

        QTest::mouseClick(dialog->picTextColor, Qt::LeftButton);
        QCOMPARE(frmOptions::BackColor(dialog->picTextColor), 0x0080FF);
        QCOMPARE(TitleTextColor(*dialog), QColor(0xFF, 0x80, 0x00));
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked[0][0].toInt(), 0x0080FF);
        QCOMPARE(g_lTextColor, 0); // not before OK

        dialog->cmdOk_Click();
        QCOMPARE(g_lTextColor, 0x0080FF);
        QCOMPARE(storedSetting("General", "picTextColor"), QString::number(0x0080FF));
    }

    void cancelledColourPickersChangeNothing() {
        testsupport::TestEnv env;
        storeSetting("General", "picColor", "255");
        storeSetting("General", "picTextColor", "65280");
        auto dialog = loadedOptions();
        QSignalSpy picked(dialog.get(), &frmOptions::textColorPicked);
        const QColor titleText = TitleTextColor(*dialog);

        dialog->picColor_Click(); // no answers: both cancelled
        dialog->picTextColor_Click();
        QCOMPARE(frmOptions::BackColor(dialog->picColor), 255);
        QCOMPARE(frmOptions::BackColor(dialog->picTitle), 255);
        QCOMPARE(frmOptions::BackColor(dialog->picTextColor), 65280);
        QCOMPARE(TitleTextColor(*dialog), titleText);
        QCOMPARE(picked.count(), 0);
    }

    void cancelAfterPickingShowsTheStoredColours() {
        testsupport::TestEnv env;
        storeSetting("General", "picColor", "255");
        storeSetting("General", "picTextColor", "65280");
        auto dialog = loadedOptions();
        env.services().colorAnswers.enqueue(0xFFFFFF);
        env.services().colorAnswers.enqueue(0xFFFFFF);
        dialog->picColor_Click();
        dialog->picTextColor_Click();

        dialog->cmdCancel_Click();
        QCOMPARE(frmOptions::BackColor(dialog->picColor), 255);
        QCOMPARE(frmOptions::BackColor(dialog->picTitle), 255);
        QCOMPARE(frmOptions::BackColor(dialog->picTextColor), 65280);
        QCOMPARE(TitleTextColor(*dialog), controls::ColorFromLong(65280));
        QCOMPARE(g_lAppColor, 255);
        QCOMPARE(g_lTextColor, 65280);
        QCOMPARE(storedSetting("General", "picColor"), QString("255"));
    }

    // --- Links and pages ---------------------------------------------------------

    void linksOpenTheOtherDialogsAtTheirPage() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        QStringList formats;
        QList<int> sections;
        dialog->openAudioFormat = [&](QWidget* owner, const QString& key) {
            QCOMPARE(owner, dialog.get());
            formats << key;
        };
        dialog->openProgParameters = [&](QWidget*, int section) { sections << section; };

        dialog->cboTargetFormat->setCurrentIndex(1); // MP3
        dialog->cmdEditTargetFormat->click();
        dialog->cboTargetFormat->setCurrentIndex(-1); // no default format: an empty key
        dialog->cmdEditTargetFormat_Click();
        QCOMPARE(formats, (QStringList{"MP3", ""}));

        emit dialog->lblNoticParameters->linkActivated("#");
        emit dialog->lblID3TagParameters->linkActivated("#");
        emit dialog->lblParameters->linkActivated("#");
        QCOMPARE(sections, (QList<int>{0, 1, 2}));
    }

    void moreAdvancedOptionsShowsTheAdvancedPage() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        emit dialog->lblMoreAdvancedOptions->linkActivated("#");
        QCOMPARE(dialog->lblTitle->text(), QString("Advanced"));
        QVERIFY(!dialog->froAdvanced->isHidden());
        QVERIFY(dialog->froGeneral->isHidden());
        QCOMPARE(dialog->cTreeView1->SelectedItem().Key(), QString("Advanced"));
    }

    void showingFocusesOk() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        dialog->show();
        QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(dialog->cmdOk));
        dialog->hide();
    }
};

QTEST_MAIN(tst_options_pages)
#include "tst_options_pages.moc"

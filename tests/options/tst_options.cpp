#include "SettingsStore.h"
#include "StoreFaults.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "controls/cTreeView.h"
#include "core/AppPaths.h"
#include "core/RegistryRoutines.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlRunOnStart.h"
#include "options/frmOptions.h"
#include "settings/OptionsSettings.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace settings;
using testsupport::loadedOptions;
using testsupport::storedSetting;
using testsupport::storeSetting;

namespace {

struct CheckSetting {
    const char* control;
    const char* subkey;
    bool* variable;
};

// Every check box that has a settings variable, with the subkey it is stored under.
const QList<CheckSetting>& CheckSettings() {
    static const QList<CheckSetting> list{
        {"chkSelectTheLastItem", "General", &g_bSelectTheLastItem},
        {"chkAutoFreeDB", "General", &g_bAutoFreeDB},
        {"chkSaveLogWhenExit", "General", &g_bSaveLogWhenExit},
        {"chkDisplayMSGWhenExit", "General", &g_bDisplayMSGWhenExit},
        {"chkDisplayMSGWhenErase", "General", &g_bDisplayMSGWhenErase},
        {"chkGoToNextItem", "General", &g_bGoToNextItem},
        {"chkDisplayPlayer", "General", &g_bDisplayPlayer},
        {"chkClearOnExit", "General", &g_bClearOnExit},
        {"chkDisplayAudioGraph", "General", &g_bDisplayAudioGraph},
        {"chkMenuXPStyle", "General", &g_bMenuXPStyle},
        {"chkDisplayGridHotTrack", "General", &g_bDisplayGridHotTrack},
        {"chkDisplayTitle", "General", &g_bDisplayTitle},
        {"chkDisplayGridLine", "General", &g_bDisplayGridLine},
        {"chkDisplayLiveUpdateWindow", "General", &g_bDisplayLiveUpdateWindow},
        {"chkAutoUpdate", "General", &g_bAutoUpdate},
        {"chkOpenDestFolder", "Events", &g_bOpenDestFolder},
        {"chkTurnOffComputer", "Events", &g_bTurnOffComputer},
        {"chkPlaySound", "Events", &g_bPlaySound},
        {"chkNoticeApp", "Events", &g_bNoticeApp},
        {"chkCopyID3FromSource", "ID3 Tags", &g_bCopyID3FromSource},
    };
    return list;
}

// Puts values into every variable that no load would leave alone by chance.
void ScrambleVariables() {
    for (const CheckSetting& s : CheckSettings())
        *s.variable = !*s.variable;
    g_lAudioDevice = 7;
    g_sItemsListDir = g_sFileNameFormat = g_sPlayAtEnd = g_sAppNotice = "stale";
    g_sTagArtist = g_sTagSong = g_sTagAlbum = g_sTagGenre = g_sTagTrack = g_sTagYear = g_sTagComment =
        "stale";
    g_lAppColor = g_lTextColor = 0x123456;
}

QCheckBox* Check(frmOptions& dialog, const char* name) {
    return dialog.findChild<QCheckBox*>(name);
}

// Every settings variable the Options settings fill, as text.
QStringList VariablesSnapshot() {
    QStringList values;
    for (const CheckSetting& c : CheckSettings())
        values << QString("%1=%2").arg(c.control).arg(*c.variable);
    values << QString::number(g_lAudioDevice) << g_sTargetFormat << g_sItemsListDir << g_sFileNameFormat
           << g_sPlayAtEnd << g_sAppNotice << g_sTagArtist << g_sTagSong << g_sTagAlbum << g_sTagGenre
           << g_sTagTrack << g_sTagYear << g_sTagComment << QString::number(g_lAppColor)
           << QString::number(g_lTextColor);
    return values;
}

} // namespace

class tst_options : public QObject {
    Q_OBJECT
private slots:
    void init() {
        g_bAppExiting = false;
        g_sTargetFormat.clear();
    }

    void everyControlExistsOnItsPage_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("page");
        const QStringList general{"chkClearOnExit", "chkSelectTheLastItem", "chkGoToNextItem",
                                  "chkAutoFreeDB",  "cboTargetFormat",      "cmdEditTargetFormat",
                                  "cboFileName",    "lblParameters",        "lblMoreAdvancedOptions"};
        const QStringList events{"chkOpenDestFolder", "chkTurnOffComputer", "chkPlaySound", "txtPlayAtEnd",
                                 "cmdAddSound",       "cmdTestSound",       "chkNoticeApp", "txtAppNotice",
                                 "cmdTestApp",        "lblNoticParameters"};
        const QStringList view{"chkDisplayTitle",
                               "chkDisplayPlayer",
                               "chkDisplayAudioGraph",
                               "chkMenuXPStyle",
                               "chkDisplayGridHotTrack",
                               "chkDisplayGridLine",
                               "picColor",
                               "picTextColor"};
        const QStringList tags{"chkCopyID3FromSource", "txtTagArtist",  "txtTagSong",
                               "txtTagAlbum",          "txtTagGenre",   "txtTagTrack",
                               "txtTagYear",           "txtTagComment", "lblID3TagParameters"};
        const QStringList advanced{"chkDisplayMSGWhenErase",
                                   "chkDisplayMSGWhenExit",
                                   "chkSaveLogWhenExit",
                                   "chkRunWhenWinStarts",
                                   "chkAutoUpdate",
                                   "chkDisplayLiveUpdateWindow",
                                   "txtToPath",
                                   "cmdSelectPath",
                                   "lblOpenDestinationDestinationFolder"};
        for (const auto& [page, names] :
             {std::pair{"froGeneral", general}, std::pair{"froEvents", events}, std::pair{"froView", view},
              std::pair{"froTags", tags}, std::pair{"froAdvanced", advanced}})
            for (const QString& name : names)
                QTest::newRow(qPrintable(name)) << name << QString(page);
        for (const char* name : {"cboDevices", "cmdOk", "cmdCancel", "cTreeView1", "lblTitle", "picTitle"})
            QTest::newRow(name) << QString(name) << QString();
    }
    void everyControlExistsOnItsPage() {
        QFETCH(QString, control);
        QFETCH(QString, page);
        frmOptions dialog; // building the controls reads no setting
        QWidget* widget = dialog.findChild<QWidget*>(control);
        QVERIFY2(widget, qPrintable(control));
        if (!page.isEmpty()) {
            QWidget* frame = dialog.findChild<QFrame*>(page);
            QVERIFY(frame);
            QVERIFY(frame->isAncestorOf(widget));
        }
    }

    void hiddenControlsAndListKinds() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        QVERIFY(dialog->cboDevices->isHidden());
        QCOMPARE(dialog->cboDevices->count(), 0);
        QVERIFY(dialog->chkAutoUpdate->isHidden());
        QVERIFY(dialog->chkDisplayLiveUpdateWindow->isHidden());
        // This edition offers the CD ripper, so the FreeDB box shows.
        QVERIFY(!dialog->chkAutoFreeDB->isHidden());
        QVERIFY(!dialog->cboTargetFormat->isEditable());
        QVERIFY(!dialog->cboFileName->isEditable());
        QVERIFY(dialog->txtToPath->isEditable());
        QVERIFY(dialog->txtPlayAtEnd->isReadOnly());
        QCOMPARE(dialog->cboTargetFormat->count(), 3);
        QCOMPARE(dialog->cboTargetFormat->itemText(1), QString("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"));
        QCOMPARE(dialog->cboFileName->count(), 6);
        QCOMPARE(dialog->cboFileName->itemText(0), QString("[file_name].[dest_extension]"));
    }

    void pageTreeShowsOnePage() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        QCOMPARE(dialog->cTreeView1->Nodes().Count(), 5);
        QCOMPARE(dialog->lblTitle->text(), QString("General"));
        QVERIFY(!dialog->froGeneral->isHidden());

        cTreeViewNode node = dialog->cTreeView1->Nodes().Item("ID3 Tags");
        node.setSelected(true);
        dialog->cTreeView1_NodeClick(node);
        QCOMPARE(dialog->lblTitle->text(), QString("Default ID3 Tags"));
        QVERIFY(!dialog->froTags->isHidden());
        for (QFrame* other : {dialog->froGeneral, dialog->froEvents, dialog->froView, dialog->froAdvanced})
            QVERIFY(other->isHidden());
        QCOMPARE(dialog->cTreeView1->SelectedItem().Key(), QString("ID3 Tags"));
    }

    void missingValuesGiveDefaults() {
        testsupport::TestEnv env;
        ScrambleVariables();
        auto dialog = loadedOptions();

        for (const CheckSetting& s : CheckSettings()) {
            const bool expected = QByteArray(s.control) == "chkCopyID3FromSource";
            QVERIFY2(*s.variable == expected, s.control);
            QCOMPARE(Check(*dialog, s.control)->isChecked(), expected);
        }
        QVERIFY(!dialog->chkRunWhenWinStarts->isChecked());
        QCOMPARE(g_lAudioDevice, -1);
        QCOMPARE(g_lAppColor, 0);
        QCOMPARE(g_lTextColor, 0);
        QCOMPARE(frmOptions::BackColor(dialog->picColor), 0);
        QCOMPARE(dialog->cboTargetFormat->currentIndex(), -1);
        QCOMPARE(g_sTargetFormat, QString());
        QCOMPARE(dialog->cboFileName->currentIndex(), -1);
        QCOMPARE(g_sFileNameFormat, QString());
        QCOMPARE(g_sAppNotice, QString());
        for (const QString* tag : {&g_sTagArtist, &g_sTagSong, &g_sTagAlbum, &g_sTagGenre, &g_sTagTrack,
                                   &g_sTagYear, &g_sTagComment})
            QCOMPARE(*tag, QString());

        const QString lists = core::ProgramFolder() + "/Main/";
        QCOMPARE(g_sItemsListDir, lists);
        QCOMPARE(dialog->txtToPath->currentText(), lists);
        QVERIFY(QFileInfo(lists).isDir());
        QCOMPARE(core::ReadPathHistory().value(0), lists);
        QCOMPARE(dialog->txtToPath->itemText(0), lists);

        const QString sound = core::ProgramFolder() + "/sound/notify.wav";
        QCOMPARE(g_sPlayAtEnd, sound);
        QCOMPARE(dialog->txtPlayAtEnd->text(), QString("notify.wav"));
        QCOMPARE(dialog->txtPlayAtEnd->toolTip(), sound);
    }

    // Start-up reads the settings without building the dialog: whatever the
    // store holds, the variables must come out as the dialog's load makes them.
    void startUpReadsWhatTheDialogReads_data() {
        QTest::addColumn<bool>("keys");
        QTest::addColumn<QStringList>("stored"); // subkey, name, value, ...
        QTest::newRow("no keys") << false << QStringList();
        QTest::newRow("empty keys") << true << QStringList();
        QTest::newRow("values") << true
                                << QStringList{"General",
                                               "cboTargetFormat",
                                               "MP3 - MPEG-1 Audio Layer 3 (*.mp3)",
                                               "General",
                                               "cboFileName",
                                               "[123].[dest_extension]",
                                               "General",
                                               "chkClearOnExit",
                                               "1",
                                               "General",
                                               "picColor",
                                               "255",
                                               "General",
                                               "picTextColor",
                                               "16744448",
                                               "Events",
                                               "chkPlaySound",
                                               "1",
                                               "Events",
                                               "txtAppNotice",
                                               "notify [PROG_NAME]",
                                               "ID3 Tags",
                                               "chkCopyID3FromSource",
                                               "0",
                                               "ID3 Tags",
                                               "txtTagAlbum",
                                               "Album"};
        QTest::newRow("unusable values")
            << true << QStringList{"General", "chkClearOnExit",  "yes",
                                   "General", "cboTargetFormat", "OGG - Ogg Media Format (*.ogg)",
                                   "General", "cboFileName",     "[nope]",
                                   "General", "picColor",        "red",
                                   "Events",  "txtPlayAtEnd",    "/music/",
                                   "General", "cboDevices",      "3"};
    }
    void startUpReadsWhatTheDialogReads() {
        QFETCH(bool, keys);
        QFETCH(QStringList, stored);
        testsupport::TestEnv env(keys);
        for (int i = 0; i + 2 < stored.size(); i += 3)
            storeSetting(stored[i], stored[i + 1], stored[i + 2]);

        ScrambleVariables();
        LoadOptionsSettings();
        const QStringList withoutDialog = VariablesSnapshot();

        ScrambleVariables();
        auto dialog = loadedOptions();
        QCOMPARE(withoutDialog, VariablesSnapshot());
    }

    // Once the program runs, the dialog is built hidden when first asked for,
    // once; windows waiting for it are told; nothing builds it while exiting.
    void dialogLoadsOnDemand() {
        testsupport::TestEnv env;
        storeSetting("General", "chkClearOnExit", "1");
        QVERIFY(!frmOptions::loadedInstance());
        QObject gone;
        QObject alive;
        int toldGone = 0;
        QList<frmOptions*> told;
        frmOptions::WhenLoaded(&alive, [&](frmOptions* o) { told << o; });
        {
            QObject shortLived;
            frmOptions::WhenLoaded(&shortLived, [&](frmOptions*) { ++toldGone; });
        }
        frmOptions::LoadOnDemand();
        g_bAppExiting = true;
        QVERIFY(!frmOptions::instance());
        g_bAppExiting = false;

        frmOptions* options = frmOptions::instance();
        QVERIFY(options);
        QCOMPARE(frmOptions::instance(), options);
        QCOMPARE(frmOptions::loadedInstance(), options);
        QVERIFY(!options->isVisible());
        QVERIFY(options->chkClearOnExit->isChecked());
        QCOMPARE(told, QList<frmOptions*>{options});
        QCOMPARE(toldGone, 0);
        // A window asking later is told at once.
        frmOptions::WhenLoaded(&alive, [&](frmOptions* o) { told << o; });
        QCOMPARE(told.size(), 2);
        delete options;
        QVERIFY(!frmOptions::loadedInstance());
    }

    void missingKeysGiveDefaults() {
        testsupport::TestEnv env(false); // no settings keys at all
        ScrambleVariables();
        auto dialog = loadedOptions();
        QVERIFY(g_bCopyID3FromSource);
        QVERIFY(!g_bPlaySound && !g_bClearOnExit);
        QCOMPARE(g_sItemsListDir, core::ProgramFolder() + "/Main/");
        QCOMPARE(g_sPlayAtEnd, core::ProgramFolder() + "/sound/notify.wav");
    }

    void checkBoxRoundTrips_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < CheckSettings().size(); ++i)
            QTest::newRow(CheckSettings()[i].control) << i;
    }
    // Each box alone: catches a box stored under the wrong name or subkey, or
    // read into another box's variable.
    void checkBoxRoundTrips() {
        QFETCH(int, index);
        const CheckSetting& setting = CheckSettings()[index];
        const bool isCopyTags = QByteArray(setting.control) == "chkCopyID3FromSource";
        testsupport::TestEnv env;
        {
            auto dialog = loadedOptions();
            for (const CheckSetting& s : CheckSettings())
                Check(*dialog, s.control)->setChecked(false);
            // The copy box is on by default: turn it on only when it is not the box under test.
            Check(*dialog, setting.control)->setChecked(!isCopyTags);
            dialog->cmdOk_Click();
            QCOMPARE(*setting.variable, !isCopyTags);
        }
        QCOMPARE(storedSetting(setting.subkey, setting.control), QString(isCopyTags ? "0" : "1"));
        ScrambleVariables();
        auto reloaded = loadedOptions();
        for (const CheckSetting& s : CheckSettings()) {
            const bool expected = !isCopyTags && s.variable == setting.variable;
            QVERIFY2(*s.variable == expected, s.control);
            QCOMPARE(Check(*reloaded, s.control)->isChecked(), expected);
        }
    }

    void valuesRoundTrip() {
        testsupport::TestEnv env;
        const QString lists = env.path("lists") + "/";
        const QString sound = env.path("sounds/ding.wav");
        {
            auto dialog = loadedOptions();
            dialog->cboTargetFormat->setCurrentIndex(2);
            dialog->cboFileName->setCurrentIndex(3);
            dialog->txtToPath->setEditText(lists);
            QVERIFY(frmOptions::SetBackColor(dialog->picColor, 0x00FF8040));
            QVERIFY(frmOptions::SetBackColor(dialog->picTextColor, 0x00010203));
            dialog->txtPlayAtEnd->setProperty("Tag", sound);
            dialog->txtAppNotice->setPlainText("notify-send \"[PROG_NAME]\" done");
            dialog->txtTagArtist->setText("[artist] & co");
            dialog->txtTagSong->setText("Song");
            dialog->txtTagAlbum->setText("Album");
            dialog->txtTagGenre->setText("Genre");
            dialog->txtTagTrack->setText("7");
            dialog->txtTagYear->setText("1999");
            dialog->txtTagComment->setPlainText("first line\nsecond line");
            dialog->cmdOk_Click();
        }
        QCOMPARE(storedSetting("General", "cboDevices"), QString("-1"));
        QCOMPARE(storedSetting("General", "picColor"), QString::number(0x00FF8040));
        QCOMPARE(storedSetting("Events", "txtPlayAtEnd"), sound);

        ScrambleVariables();
        g_sTargetFormat = "stale";
        auto dialog = loadedOptions();
        QCOMPARE(g_lAudioDevice, -1);
        QCOMPARE(g_sTargetFormat, QString("WMA - Windows Media Audio files (*.wma)"));
        QCOMPARE(dialog->cboTargetFormat->currentIndex(), 2);
        QCOMPARE(g_sFileNameFormat, QString("[file_name]_[123].[source_extension].[dest_extension]"));
        QCOMPARE(g_sItemsListDir, lists);
        QCOMPARE(g_lAppColor, 0x00FF8040);
        QCOMPARE(g_lTextColor, 0x00010203);
        QCOMPARE(dialog->picTitle->palette().color(QPalette::Window), QColor(0x40, 0x80, 0xFF));
        QCOMPARE(dialog->lblTitle->palette().color(QPalette::WindowText), QColor(0x03, 0x02, 0x01));
        QCOMPARE(g_sPlayAtEnd, sound);
        QCOMPARE(dialog->txtPlayAtEnd->text(), QString("ding.wav"));
        QCOMPARE(g_sAppNotice, QString("notify-send \"[PROG_NAME]\" done"));
        QCOMPARE(g_sTagArtist, QString("[artist] & co"));
        QCOMPARE(g_sTagSong, QString("Song"));
        QCOMPARE(g_sTagAlbum, QString("Album"));
        QCOMPARE(g_sTagGenre, QString("Genre"));
        QCOMPARE(g_sTagTrack, QString("7"));
        QCOMPARE(g_sTagYear, QString("1999"));
        QCOMPARE(g_sTagComment, QString("first line\nsecond line"));
    }

    void runAtStartFollowsTheRealEntry() {
        testsupport::TestEnv env;
        {
            auto dialog = loadedOptions();
            dialog->chkRunWhenWinStarts->setChecked(true);
            dialog->cmdOk_Click();
        }
        QVERIFY(core::IsRunOnStart());
        QVERIFY(loadedOptions()->chkRunWhenWinStarts->isChecked());
        core::SetRunOnStart(false);
        QVERIFY(!loadedOptions()->chkRunWhenWinStarts->isChecked());
    }

    void cancelReloadsStoredValues() {
        testsupport::TestEnv env;
        storeSetting("General", "chkClearOnExit", "1");
        storeSetting("General", "cboTargetFormat", "MP3 - MPEG-1 Audio Layer 3 (*.mp3)");
        storeSetting("General", "picColor", "255");
        storeSetting("ID3 Tags", "txtTagAlbum", "Stored");
        storeSetting("Events", "chkPlaySound", "1");
        auto dialog = loadedOptions();
        dialog->show();

        dialog->chkClearOnExit->setChecked(false);
        dialog->cboTargetFormat->setCurrentIndex(0);
        frmOptions::SetBackColor(dialog->picColor, 0x00FF0000);
        dialog->txtTagAlbum->setText("Edited");
        dialog->chkPlaySound->setChecked(false);
        dialog->txtToPath->setEditText("/somewhere/else/");
        const QString listsBefore = g_sItemsListDir;
        QSignalSpy applied(dialog.get(), &frmOptions::settingsApplied);

        dialog->cmdCancel_Click();
        QVERIFY(dialog->isHidden());
        QCOMPARE(applied.count(), 0);
        QVERIFY(dialog->chkClearOnExit->isChecked() && g_bClearOnExit);
        QVERIFY(dialog->chkPlaySound->isChecked() && g_bPlaySound);
        QCOMPARE(dialog->cboTargetFormat->currentText(), QString("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"));
        QCOMPARE(g_sTargetFormat, QString("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"));
        QCOMPARE(frmOptions::BackColor(dialog->picColor), 255);
        QCOMPARE(frmOptions::BackColor(dialog->picTitle), 255);
        QCOMPARE(g_lAppColor, 255);
        QCOMPARE(dialog->txtTagAlbum->text(), QString("Stored"));
        QCOMPARE(g_sTagAlbum, QString("Stored"));
        QCOMPARE(g_sItemsListDir, listsBefore);
        QCOMPARE(dialog->txtToPath->currentText(), listsBefore);
        // Nothing was written.
        QCOMPARE(storedSetting("ID3 Tags", "txtTagAlbum"), QString("Stored"));
    }

    // OK on a store that takes no write: the failure is said, nothing is
    // stored or applied, and the dialog stays open with the edits; OK once
    // the store takes writes again saves them and closes.
    void refusedSaveIsSaidAndKeepsTheDialogOpen() {
        testsupport::TestEnv env;
        storeSetting("ID3 Tags", "txtTagAlbum", "Stored");
        auto dialog = loadedOptions();
        dialog->show();
        dialog->txtTagAlbum->setText("Edited");
        dialog->chkClearOnExit->setChecked(true);
        QSignalSpy applied(dialog.get(), &frmOptions::settingsApplied);
        QVERIFY(testsupport::RefuseStoreWrites());

        dialog->cmdOk_Click();
        QVERIFY(dialog->isVisible());
        QCOMPARE(applied.count(), 0);
        QCOMPARE(env.services().messages.size(), 1);
        QCOMPARE(env.services().messages[0].prompt,
                 QString("The options cannot be saved: attempt to write a readonly database.\r\n\r\n"
                         "No setting was changed."));
        QCOMPARE(env.services().messages[0].title, core::g_sProductName);
        QCOMPARE(dialog->txtTagAlbum->text(), QString("Edited"));
        QVERIFY(dialog->chkClearOnExit->isChecked());
        QCOMPARE(storedSetting("ID3 Tags", "txtTagAlbum"), QString("Stored"));
        QCOMPARE(g_sTagAlbum, QString("Stored"));
        QVERIFY(!g_bClearOnExit);

        QVERIFY(testsupport::AllowStoreWrites());
        dialog->cmdOk_Click();
        QVERIFY(dialog->isHidden());
        QCOMPARE(applied.count(), 1);
        QCOMPARE(storedSetting("ID3 Tags", "txtTagAlbum"), QString("Edited"));
        QCOMPARE(g_sTagAlbum, QString("Edited"));
    }

    void closingKeepsEditsUntilExit() {
        testsupport::TestEnv env;
        auto dialog = loadedOptions();
        dialog->show();
        dialog->txtTagArtist->setText("Unconfirmed");
        QVERIFY(!dialog->close());
        QVERIFY(dialog->isHidden());
        QCOMPARE(dialog->txtTagArtist->text(), QString("Unconfirmed"));
        QCOMPARE(g_sTagArtist, QString());
        QCOMPARE(env.services().soundStops, 1);

        dialog->show();
        g_bAppExiting = true;
        QVERIFY(dialog->close());
        g_bAppExiting = false;
    }

    void listsFolderGetsClosingSlash_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("without slash") << "lists";
        QTest::newRow("with slash") << "lists/";
    }
    void listsFolderGetsClosingSlash() {
        QFETCH(QString, typed);
        testsupport::TestEnv env;
        const QString expected = env.root() + "/lists/";
        auto dialog = loadedOptions();
        QSignalSpy applied(dialog.get(), &frmOptions::settingsApplied);

        dialog->txtToPath->setEditText(env.root() + "/" + typed);
        dialog->cmdOk_Click();
        QCOMPARE(g_sItemsListDir, expected);
        QCOMPARE(dialog->txtToPath->currentText(), expected);
        QCOMPARE(storedSetting("General", "txtToPath"), expected);
        QCOMPARE(applied.count(), 1);
        QCOMPARE(applied.at(0).at(0).toBool(), true);
        // A stored folder is used as it is: not created.
        QVERIFY(!QFileInfo::exists(expected));

        // The same folder again, typed without its slash: no change.
        dialog->txtToPath->setEditText(env.root() + "/lists");
        dialog->cmdOk_Click();
        QCOMPARE(applied.count(), 2);
        QCOMPARE(applied.at(1).at(0).toBool(), false);

        // Letter case counts.
        dialog->txtToPath->setEditText(env.root() + "/Lists/");
        dialog->cmdOk_Click();
        QCOMPARE(applied.at(2).at(0).toBool(), true);
        QCOMPARE(g_sItemsListDir, env.root() + "/Lists/");
    }

    void storedFolderWithoutSlashIsUsedWithOne() {
        testsupport::TestEnv env;
        storeSetting("General", "txtToPath", env.root() + "/old");
        auto dialog = loadedOptions();
        QCOMPARE(g_sItemsListDir, env.root() + "/old/");
        QSignalSpy applied(dialog.get(), &frmOptions::settingsApplied);
        dialog->cmdOk_Click();
        QCOMPARE(applied.at(0).at(0).toBool(), false);
    }

    void unusableStoredValues_data() {
        QTest::addColumn<QString>("subkey");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::newRow("check box not a number") << "General"
                                                << "chkClearOnExit"
                                                << "yes";
        QTest::newRow("check box out of range") << "General"
                                                << "chkClearOnExit"
                                                << "5";
        QTest::newRow("format not offered") << "General"
                                            << "cboTargetFormat"
                                            << "OGG - Ogg Media Format (*.ogg)";
        QTest::newRow("template not in list") << "General"
                                              << "cboFileName"
                                              << "[nope]";
        QTest::newRow("device position") << "General"
                                         << "cboDevices"
                                         << "3";
        QTest::newRow("colour not a number") << "General"
                                             << "picColor"
                                             << "red";
        QTest::newRow("colour out of range") << "General"
                                             << "picColor"
                                             << "16777216";
        QTest::newRow("sound without file name") << "Events"
                                                 << "txtPlayAtEnd"
                                                 << "/music/";
        QTest::newRow("copy tags not a number") << "ID3 Tags"
                                                << "chkCopyID3FromSource"
                                                << "x";
    }
    // A value that cannot be taken leaves the control as it was (its state of
    // a load without the value), and the variable follows the control.
    void unusableStoredValues() {
        QFETCH(QString, subkey);
        QFETCH(QString, name);
        QFETCH(QString, stored);
        testsupport::TestEnv env;
        storeSetting(subkey, name, stored);
        auto dialog = loadedOptions();
        QVERIFY(!g_bClearOnExit && !dialog->chkClearOnExit->isChecked());
        QVERIFY(g_bCopyID3FromSource == dialog->chkCopyID3FromSource->isChecked());
        QCOMPARE(g_sTargetFormat, QString());
        QCOMPARE(g_sFileNameFormat, QString());
        QCOMPARE(g_lAudioDevice, -1);
        QCOMPARE(g_lAppColor, 0);
        QCOMPARE(g_sPlayAtEnd, core::ProgramFolder() + "/sound/notify.wav");
    }

    void typedFormatThatIsNotOfferedKeepsTheLastSelection() {
        testsupport::TestEnv env;
        storeSetting("General", "cboTargetFormat", "WAV - Waveform Audio Format (*.wav)");
        auto dialog = loadedOptions();
        QCOMPARE(g_sTargetFormat, QString("WAV - Waveform Audio Format (*.wav)"));
        storeSetting("General", "cboTargetFormat", "OGG - Ogg Media Format (*.ogg)");
        dialog->GetOptions();
        QCOMPARE(g_sTargetFormat, QString("WAV - Waveform Audio Format (*.wav)"));
    }

    void fileNameFormatsFromFile() {
        testsupport::TestEnv env;
        QVERIFY(core::WriteTextFile("[a].[dest_extension]\r\n\r\n[b].[dest_extension]",
                                    core::ProgramFolder() + "/FileNameFormats.txt"));
        storeSetting("General", "cboFileName", "[b].[dest_extension]");
        auto dialog = loadedOptions();
        QCOMPARE(dialog->cboFileName->count(), 2);
        QCOMPARE(g_sFileNameFormat, QString("[b].[dest_extension]"));
    }
};

QTEST_MAIN(tst_options)
#include "tst_options.moc"

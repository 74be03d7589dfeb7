// The "Parameters" window: its sections, the token lists each one shows, and
// opening it at a section.
#include "TestEnv.h"
#include "controls/ControlColor.h"
#include "core/mdlModes.h"
#include "itemlists/Templates.h"
#include "options/frmProgParameters.h"
#include "settings/SettingsVariables.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using options::g_frmProgParameters;

namespace {

using Rows = QList<QPair<QString, QString>>;

// What each section must show, token and meaning, in order.
Rows ExpectedRows(int section) {
    switch (section) {
    case 0:
        return {{"[PROG_NAME]", "The program name."},
                {"[PROG_VERSION]", "The version."},
                {"[FILE_RECORDED]", "The created file path and name."},
                {"[FILE_SIZE]", "The created file size."},
                {"[FILE_TIME_LENGTH]", "The created file time length."},
                {"[FILE_CREATED]", "The date and time of the file."}};
    case 1:
        return {{"[PROG_NAME]", "The program name."},
                {"[PROG_VERSION]", "The version."},
                {"[DATE]", "The creation date of the file."},
                {"[TIME]", "The creation time of the file."},
                {"[TRACK_NUM]", "The item number."},
                {"[YEAR]", "The creation year of the file."},
                {"[SOURCE_NAME]", "The source file name."},
                {"[ITEM_NAME]", "The item name from the Items List."},
                {"[RANGE]", "The processed range."}};
    default:
        return {{"[file_name]", "The file name."},
                {"[date]", "The current date."},
                {"[time]", "The current time."},
                {"[123]", "The track number."},
                {"[source_extension]", "The extension of the source file."},
                {"[dest_extension]", "The extension of the destination file."},
                {"[item_name]", "The item name from the Items List."}};
    }
}

QList<QFrame*> Frames(frmProgParameters* w) {
    return {w->fraAppNotic, w->fraID3Tags, w->fraExt};
}

// The rows of the frames that show (token box text, meaning).
Rows VisibleRows(frmProgParameters* w) {
    Rows rows;
    for (int i = 0; i < w->txtParameter.size(); ++i)
        if (w->txtParameter[i]->isVisibleTo(w))
            rows.append({w->txtParameter[i]->text(), w->lblMeaning[i]->text()});
    return rows;
}

void Unload() {
    if (g_frmProgParameters) g_frmProgParameters->cmdOk_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TstProgParameters : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Unload(); }

    void loadsWithNoSection() {
        testsupport::TestEnv env;
        frmProgParameters* w = options::LoadProgParameters(nullptr);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), "Parameters");
        QCOMPARE(w->lblTitle->text(), "Parameters");
        QCOMPARE(w->cmdOk->text(), "OK");
        QVERIFY(!w->cboSections->isEditable());
        QCOMPARE(w->cboSections->count(), 3);
        QCOMPARE(w->cboSections->itemText(0), "Execute external application");
        QCOMPARE(w->cboSections->itemText(1), "ID3 Audio Tags");
        QCOMPARE(w->cboSections->itemText(2), "File Name Format");
        QCOMPARE(w->cboSections->currentIndex(), -1);
        for (QFrame* f : Frames(w))
            QVERIFY(!f->isVisibleTo(w));
        // Loading again gives the loaded window.
        QCOMPARE(options::LoadProgParameters(nullptr), w);
    }

    void openAtSection_data() {
        QTest::addColumn<int>("section");
        QTest::newRow("command line") << 0;
        QTest::newRow("tags") << 1;
        QTest::newRow("file names") << 2;
    }
    void openAtSection() {
        QFETCH(int, section);
        testsupport::TestEnv env;
        QWidget owner;
        frmProgParameters* w = options::OpenProgParametersAt(&owner, section);
        QCOMPARE(w->parentWidget(), &owner);
        QCOMPARE(w->cboSections->currentIndex(), section);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Frames(w)[i]->isVisibleTo(w), i == section);
        QCOMPARE(VisibleRows(w), ExpectedRows(section));
    }

    // Switching sections shows only the chosen one; a position outside the
    // list hides all three.
    void switchSections() {
        testsupport::TestEnv env;
        frmProgParameters* w = options::OpenProgParametersAt(nullptr, 0);
        w->cboSections->setCurrentIndex(2);
        QCOMPARE(VisibleRows(w), ExpectedRows(2));
        QVERIFY(!w->fraAppNotic->isVisibleTo(w));
        // Opening at the section already shown keeps it shown.
        QCOMPARE(options::OpenProgParametersAt(nullptr, 2), w);
        QCOMPARE(VisibleRows(w), ExpectedRows(2));
        w->cboSections->setCurrentIndex(-1);
        QVERIFY(VisibleRows(w).isEmpty());
    }

    void tokenBoxes() {
        testsupport::TestEnv env;
        frmProgParameters* w = options::LoadProgParameters(nullptr);
        QCOMPARE(w->txtParameter.size(), 6 + 9 + 7);
        for (QLineEdit* box : w->txtParameter) {
            QCOMPARE(box->objectName(), "txtParameter");
            QVERIFY(box->isReadOnly());
        }
        // Typing changes nothing.
        QLineEdit* first = w->txtParameter.first();
        QTest::keyClicks(first, "xyz");
        QCOMPARE(first->text(), "[PROG_NAME]");
        // The command-line section lists exactly the tokens the expander knows.
        QStringList shown;
        for (int i = 0; i < 6; ++i)
            shown.append(w->txtParameter[i]->text());
        QCOMPARE(shown, itemlists::NoticAppTokens());
    }

    void okUnloads() {
        testsupport::TestEnv env;
        QPointer<frmProgParameters> w = options::OpenProgParametersAt(nullptr, 1);
        w->cmdOk_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QVERIFY(g_frmProgParameters.isNull());
        // A new load starts again without a section.
        frmProgParameters* again = options::LoadProgParameters(nullptr);
        QCOMPARE(again->cboSections->currentIndex(), -1);
        QVERIFY(VisibleRows(again).isEmpty());
    }

    void themeColours() {
        testsupport::TestEnv env;
        const qint32 appColor = settings::g_lAppColor, textColor = settings::g_lTextColor;
        const QString back = core::g_sViewBackColor, picture = core::g_sViewBackPicture;
        settings::g_lAppColor = 0x0000FF; // red, as 0x00BBGGRR
        settings::g_lTextColor = 0xFF0000;
        core::g_sViewBackColor = QString::number(0x00FF00);
        core::g_sViewBackPicture = "missing.bmp"; // passed over
        frmProgParameters* w = options::LoadProgParameters(nullptr);
        QCOMPARE(w->picTitle->palette().color(QPalette::Window), QColor(Qt::red));
        QCOMPARE(w->lblTitle->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(w->fraID3Tags->palette().color(QPalette::Window), QColor(Qt::green));
        Unload();
        core::g_sViewBackColor = "not a colour";
        w = options::LoadProgParameters(nullptr); // keeps the design colours, no failure
        QVERIFY(w);
        settings::g_lAppColor = appColor;
        settings::g_lTextColor = textColor;
        core::g_sViewBackColor = back;
        core::g_sViewBackPicture = picture;
    }
};

QTEST_MAIN(TstProgParameters)
#include "tst_progparameters.moc"

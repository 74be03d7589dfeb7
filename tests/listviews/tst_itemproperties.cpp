// The Item Properties window: the row it shows, the checks of its edits, what
// it writes into the row and the list file, and stepping through the rows.
#include "ListWindowsFixture.h"
#include "controls/cDateTimePick.h"
#include "controls/cTabControl.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "dialogs/frmAbout.h"
#include "itemlists/ItemsListFile.h"
#include "listviews/frmItem.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace itemlists;
using namespace listviews;
using namespace listwindows;

class tst_itemproperties : public QObject {
    Q_OBJECT

    std::unique_ptr<ListsFixture> f;
    QString m_audio;

    QString cell(qint32 row, const QString& key) const {
        return f->grid->CellText(row, f->grid->ColumnIndex(key));
    }
    QList<ListRecord> savedRecords() const {
        QList<ListRecord> out;
        for (const QString& text : SplitRecords(ReadListFile(f->listPath("Songs"))))
            out << ParseRecord(text);
        return out;
    }

    // The list "Songs": one.wav (2 s), two.wav (3 s), long.wav (100 s, ranged 90 s + 5 s),
    // loaded with row `row` selected; the window is loaded on it.
    frmItem* openOnRow(qint32 row) {
        m_audio = QFileInfo(f->env->path("audio/one.wav")).path();
        QDir().mkpath(f->dir);
        writeAll(m_audio + "/one.wav", silentWav(2));
        writeAll(m_audio + "/two.wav", silentWav(3));
        writeAll(m_audio + "/long.wav", silentWav(100));
        writeAll(f->listPath("Songs"),
                 (record("one", m_audio + "/one.wav") + record("two", m_audio + "/two.wav") +
                  record("long", m_audio + "/long.wav", "0", "90", "5") + "\r\n")
                     .toUtf8());
        f->build();
        f->click(f->listNode("Songs"));
        if (f->grid->Rows() != 3) return nullptr;
        f->grid->setSelectedRow(row);
        return LoadItemProperties(*f->grid, *f->lists, nullptr, f->owner.get());
    }

private slots:
    void init() { f = std::make_unique<ListsFixture>(); }
    void cleanup() {
        if (g_frmItem) delete g_frmItem.data();
        closeBalloons();
        f.reset();
    }

    void showsTheSelectedRow() {
        frmItem* w = openOnRow(2);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QString("Item Properties"));
        QCOMPARE(w->CurrentRow(), 2);
        QCOMPARE(w->lblTitle->text(), QString("two"));
        QCOMPARE(w->txtItemName->text(), QString("two"));
        QCOMPARE(w->lblFileName->text(), QString("two.wav"));
        QCOMPARE(w->lblPath->text(), m_audio + "/");
        QCOMPARE(w->lblTotalTime->text(), QString("00:00:03"));
        QCOMPARE(w->lblTotalSize->text(), cell(2, COL_SIZE));
        QCOMPARE(w->lblFormat->text(), QString("WAV"));
        QCOMPARE(w->lblSamples->text(), QString("8000"));
        // The stream's bit rate in kbit/s: 8,000 Hz x 16 bit x 1 channel.
        QCOMPARE(w->lblBitrate->text(), QString("128"));
        QCOMPARE(w->lblChannels->text(), QString("MONO"));
        QCOMPARE(w->txtTagSong->text(), QString("T"));
        QCOMPARE(w->txtTagTrack->text(), QString("1"));
        // A whole item: the span controls are off, the end picker at the item's length.
        QVERIFY(w->ptnAllFile->isChecked());
        QVERIFY(!w->dtStartAfter->isEnabled());
        QVERIFY(!w->cmdGoToEnd->isEnabled());
        QCOMPARE(w->dtStartAfter->Value(), QTime(0, 0, 0));
        QCOMPARE(w->dtUntil->Value(), QTime(0, 0, 3));
        QCOMPARE(f->grid->SelectedRow(), 2);
        QVERIFY(w->TabInfo->isVisibleTo(w));
        QVERIFY(!w->TabRange->isVisibleTo(w));
        QCOMPARE(w->cTabControl1->TabCount(), 3);
        QCOMPARE(w->cTabControl1->TabCaption(3), QString("Destination ID3 Tags  "));
    }

    void stepsThroughTheRows() {
        frmItem* w = openOnRow(1);
        QVERIFY(w);
        QVERIFY(!w->cmdBack->isEnabled());
        QVERIFY(w->cmdNext->isEnabled());

        // Edits not applied are dropped when another row is shown.
        w->txtItemName->setText("changed");
        w->cmdNext_Click();
        QCOMPARE(w->CurrentRow(), 2);
        QCOMPARE(f->grid->SelectedRow(), 2);
        QCOMPARE(w->txtItemName->text(), QString("two"));
        QVERIFY(w->cmdBack->isEnabled() && w->cmdNext->isEnabled());

        // The ranged row opens on its span.
        w->cmdNext_Click();
        QCOMPARE(w->CurrentRow(), 3);
        QVERIFY(!w->cmdNext->isEnabled());
        QVERIFY(w->ptnConvertByTime->isChecked());
        QVERIFY(w->dtStartAfter->isEnabled());
        QCOMPARE(w->dtStartAfter->Value(), QTime(0, 1, 30));
        QCOMPARE(w->dtUntil->Value(), QTime(0, 1, 35));
        QCOMPARE(w->lblTotalTime->text(), QString("00:01:40"));
        w->cmdNext_Click(); // past the last row: nothing
        QCOMPARE(w->CurrentRow(), 3);

        w->cmdBack_Click();
        w->cmdBack_Click();
        QCOMPARE(w->CurrentRow(), 1);
        QCOMPARE(w->txtItemName->text(), QString("one"));
        QVERIFY(!w->cmdBack->isEnabled());
        // Applied values stay after moving away and back.
        w->txtItemName->setText("first");
        QCOMPARE(w->ApplyItemChanges(), 0);
        w->cmdNext_Click();
        w->cmdBack_Click();
        QCOMPARE(w->txtItemName->text(), QString("first"));
        QCOMPARE(cell(1, COL_ITEM_NAME), QString("first"));
    }

    void nameIsCheckedBeforeAnythingIsWritten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::newRow("blanks only") << "   " << -1 << "Empty Item Name." + QString(42, ' ') << "";
        QTest::newRow("question mark") << "why?" << -1 << "Illegal Item Name." + QString(42, ' ') << "";
        QTest::newRow("backslash") << "a\\b" << -1 << "Illegal Item Name." + QString(42, ' ') << "";
        QTest::newRow("blanks around") << "  Intro  " << 0 << ""
                                       << "Intro";
    }
    void nameIsCheckedBeforeAnythingIsWritten() {
        QFETCH(QString, name);
        QFETCH(int, result);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        frmItem* w = openOnRow(1);
        QVERIFY(w);
        closeBalloons();
        const QByteArray before = readAll(f->listPath("Songs"));
        w->txtItemName->setText(name);
        w->txtTagArtist->setText("Someone");
        QCOMPARE(w->ApplyItemChanges(), result);
        if (result != 0) {
            QCOMPARE(f->svc().messages.size(), 1);
            QCOMPARE(f->svc().messages[0].prompt, message);
            QCOMPARE(f->svc().messages[0].style, int(core::vbInformation));
            QCOMPARE(readAll(f->listPath("Songs")), before);
            QCOMPARE(cell(1, COL_ITEM_NAME), QString("one"));
            QCOMPARE(cell(1, COL_TAG_ARTIST), QString());
            if (message.startsWith("Illegal"))
                QTRY_COMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
        } else {
            QCOMPARE(f->svc().messages.size(), 0);
            QCOMPARE(w->txtItemName->text(), stored);
            QCOMPARE(cell(1, COL_ITEM_NAME), stored);
            QCOMPARE(savedRecords().value(0).itemName, stored);
            // The item's file keeps its name.
            QCOMPARE(savedRecords().value(0).file, m_audio + "/one.wav");
        }
    }

    void rangeIsWrittenOnlyWhenItLiesInTheItem_data() {
        QTest::addColumn<bool>("byTime");
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("until");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("cells"); // all, start, length, range text
        const QStringList untouched{"0", "90", "5", "00:01:30 - 00:01:35"};
        QTest::newRow("whole item") << false << QTime(0, 0, 10) << QTime(0, 0, 20) << 0
                                    << QStringList{"1", "", "", "All"};
        QTest::newRow("span") << true << QTime(0, 0, 30) << QTime(0, 1, 30) << 0
                              << QStringList{"0", "30", "60", "00:00:30 - 00:01:30"};
        QTest::newRow("end past the item is clamped") << true << QTime(0, 1, 0) << QTime(0, 5, 0) << 0
                                                      << QStringList{"0", "60", "40", "00:01:00 - 00:01:40"};
        QTest::newRow("start equal to end") << true << QTime(0, 1, 0) << QTime(0, 1, 0) << 1 << untouched;
        QTest::newRow("start after end") << true << QTime(0, 1, 20) << QTime(0, 1, 0) << 1 << untouched;
        QTest::newRow("start past the item, clamped to the end")
            << true << QTime(0, 3, 0) << QTime(0, 1, 40) << 1 << untouched;
    }
    void rangeIsWrittenOnlyWhenItLiesInTheItem() {
        QFETCH(bool, byTime);
        QFETCH(QTime, start);
        QFETCH(QTime, until);
        QFETCH(int, result);
        QFETCH(QStringList, cells);
        frmItem* w = openOnRow(3);
        QVERIFY(w);
        const QByteArray before = readAll(f->listPath("Songs"));
        (byTime ? w->ptnConvertByTime : w->ptnAllFile)->setChecked(true);
        QCOMPARE(w->dtStartAfter->isEnabled(), byTime);
        w->dtStartAfter->setValue(start);
        w->dtUntil->setValue(until);
        QVERIFY(w->dtStartAfter->Value() <= QTime(0, 1, 40));
        QVERIFY(w->dtUntil->Value() <= QTime(0, 1, 40));

        QCOMPARE(w->ApplyItemChanges(), result);
        const QStringList shown{cell(3, COL_RANGE_ALL), cell(3, COL_RANGE_START_TIME),
                                cell(3, COL_RANGE_LENGTH_TIME), cell(3, COL_RANGE)};
        QCOMPARE(shown, cells);
        if (result == 1) {
            QCOMPARE(f->svc().messages.size(), 1);
            QCOMPARE(f->svc().messages[0].prompt,
                     "'Start after' field is more or an equel to the 'Until' field." + QString(9, ' '));
            QCOMPARE(readAll(f->listPath("Songs")), before);
        } else {
            const ListRecord saved = savedRecords().value(2);
            QCOMPARE((QStringList{saved.rangeAll, saved.rangeStart, saved.rangeLength}), cells.mid(0, 3));
        }
    }

    void goToButtonsSetTheEnds() {
        frmItem* w = openOnRow(3);
        QVERIFY(w);
        w->cmdGoTSoStart_Click();
        w->cmdGoToEnd_Click();
        QCOMPARE(w->dtStartAfter->Value(), QTime(0, 0, 0));
        QCOMPARE(w->dtUntil->Value(), QTime(0, 1, 40));
        w->ptnAllFile->setChecked(true);
        QVERIFY(!w->dtUntil->isEnabled() && !w->Label20->isEnabled() && !w->cmdGoTSoStart->isEnabled());
    }

    void tagsAreSavedAsTypedAndReadBack() {
        frmItem* w = openOnRow(2);
        QVERIFY(w);
        w->txtTagArtist->setText(" The <Band> & Co ");
        w->txtTagSong->setText("");
        w->txtTagAlbum->setText("Live");
        w->txtTagGenre->setText("Rock");
        w->txtTagTrack->setText("A7");
        w->txtTagYear->setText("nineteen");
        w->txtTagComment->setPlainText("two\nlines");
        w->cmdOK_Click();
        QCOMPARE(w->result(), int(QDialog::Accepted));

        const ListRecord saved = savedRecords().value(1);
        QCOMPARE(saved.artist, QString(" The <Band> & Co "));
        QCOMPARE(saved.title, QString());
        QCOMPARE(saved.album, QString("Live"));
        QCOMPARE(saved.genre, QString("Rock"));
        QCOMPARE(saved.track, QString("A7"));
        QCOMPARE(saved.year, QString("nineteen"));
        QCOMPARE(saved.comment, QString("two\r\nlines"));
        const QByteArray file = readAll(f->listPath("Songs"));

        // Read back through the tree into a fresh grid and window.
        delete g_frmItem.data();
        f->click(f->listNode("Songs"));
        f->grid->setSelectedRow(2);
        w = LoadItemProperties(*f->grid, *f->lists, nullptr, f->owner.get());
        QCOMPARE(w->txtTagArtist->text(), QString(" The <Band> & Co "));
        QCOMPARE(w->txtTagSong->text(), QString());
        QCOMPARE(w->txtTagYear->text(), QString("nineteen"));
        QCOMPARE(w->txtTagComment->toPlainText(), QString("two\nlines"));
        // Applying again unchanged writes the same file.
        QCOMPARE(w->ApplyItemChanges(), 0);
        QCOMPARE(readAll(f->listPath("Songs")), file);
    }

    void okStaysOpenOnARefusedApply() {
        frmItem* w = openOnRow(1);
        QVERIFY(w);
        w->show();
        w->txtItemName->setText("");
        w->cmdOK_Click();
        QVERIFY(w->isVisible());
        w->cmdExit_Click();
        QVERIFY(!w->isVisible());
        QCOMPARE(w->result(), int(QDialog::Rejected));
    }

    void dataTrackIsRefusedBeforeTheWindowLoads() {
        QVERIFY(openOnRow(1));
        delete g_frmItem.data();
        f->grid->setCellIcon(2, f->grid->ColumnIndex(COL_TYPE), ICON_DATA);
        f->grid->setSelectedRow(2);
        cGrid1_DblClick(*f->grid, 2, *f->lists, nullptr, f->owner.get());
        QCOMPARE(f->svc().messages.size(), 1);
        QCOMPARE(f->svc().messages[0].prompt, "Cannot edit a data track." + QString(36, ' '));
        QVERIFY(!g_frmItem);
    }
};

QTEST_MAIN(tst_itemproperties)
#include "tst_itemproperties.moc"

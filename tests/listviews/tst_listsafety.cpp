// Nothing lost, nothing hidden: a list that cannot be written says so, tag
// edits outlive a re-read, items of missing files are counted, one bad byte
// spoils no other value, names that would hide a list are refused, and the
// two properties windows show what they should, readably.
#include "ListWindowsFixture.h"
#include "MediaTools.h"
#include "controls/ControlColor.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "itemlists/ItemsListFile.h"
#include "listviews/frmDirProperties.h"
#include "listviews/frmItem.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace itemlists;
using namespace listviews;
using namespace listwindows;

namespace {

// Relative luminance of a colour (sRGB), 0 black .. 1 white.
double luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
// Contrast ratio of two colours, 1 (none) .. 21 (black on white).
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class tst_listsafety : public QObject {
    Q_OBJECT

    std::unique_ptr<ListsFixture> f;
    QMap<QString, QString> m_panels;
    QString m_emptyText;
    bool m_emptyShown = false;

    QString audio(const QString& name) const { return f->env->path("audio/" + name); }
    QString cell(qint32 row, const QString& key) const {
        return f->grid->CellText(row, f->grid->ColumnIndex(key));
    }
    void build() {
        f->build();
        f->lists->link().PanelText = [this](const QString& key, const QString& text) {
            m_panels[key] = text;
        };
        f->lists->link().EmptyPanel = [this](bool show, const QString& text) {
            m_emptyShown = show;
            if (!text.isEmpty()) m_emptyText = text;
        };
    }
    // A tagged MP3 made by ffmpeg.
    bool makeMp3(const QString& path, const QString& title, const QString& bitrate = "128k") {
        QDir().mkpath(QFileInfo(path).path());
        return testsupport::runFfmpeg(testsupport::sineInput(1) << "-c:a"
                                                                << "libmp3lame"
                                                                << "-b:a" << bitrate << "-metadata"
                                                                << "title=" + title << "-id3v2_version"
                                                                << "3" << path);
    }

private slots:
    void init() {
        f = std::make_unique<ListsFixture>();
        m_panels.clear();
        m_emptyText.clear();
        m_emptyShown = false;
        QDir().mkpath(f->dir);
        QDir().mkpath(audio(""));
    }
    void cleanup() {
        if (g_frmItem) delete g_frmItem.data();
        if (g_frmDirProperties) delete g_frmDirProperties.data();
        closeBalloons();
        f.reset();
        settings::g_bCopyID3FromSource = false;
    }

    // A list that cannot be written (a folder stands where its file goes,
    // as a read-only folder or a full disk would refuse it) is reported once,
    // naming the file and the reason; the change stays on screen; after a
    // write succeeds, the next failure is reported again.
    void failedWriteIsReportedOncePerList() {
        QVERIFY(writeAll(audio("a.wav"), silentWav(1)));
        QVERIFY(writeAll(f->listPath("A"), (record("a", audio("a.wav")) + "\r\n").toUtf8()));
        build();
        f->click(f->listNode("A"));
        QCOMPARE(f->grid->Rows(), 1);

        const QString path = f->listPath("A");
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        f->grid->setCellIcon(1, 1, ICON_UNMARKED);
        f->lists->SaveGridToFile();
        f->grid->setCellIcon(1, 1, ICON_MARKED);
        f->lists->SaveGridToFile();
        QCOMPARE(f->svc().messages.size(), 1);
        const testsupport::ShownMessage shown = f->svc().messages.first();
        QVERIFY2(shown.prompt.contains(path), qPrintable(shown.prompt));
        QVERIFY2(shown.prompt.contains("cannot be saved: ") && !shown.prompt.contains("cannot be saved: ."),
                 qPrintable(shown.prompt));
        QCOMPARE(shown.title, core::AppTitle());
        // The change is still on screen.
        QCOMPARE(f->grid->CellIcon(1, 1), ICON_MARKED);

        // Once the file can be written, the change is saved; a later failure
        // is told again.
        QVERIFY(QDir().rmdir(path));
        f->grid->setCellIcon(1, 1, ICON_UNMARKED);
        f->lists->SaveGridToFile();
        QCOMPARE(ParseRecord(SplitRecords(ReadListFile(path)).value(0)).inc, QString("0"));
        QCOMPARE(f->svc().messages.size(), 1);
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        f->lists->SaveGridToFile();
        QCOMPARE(f->svc().messages.size(), 2);
    }

    // With the tags copied from the source files, a row whose tags were
    // edited keeps them through every re-reading; the other rows follow their
    // files; a file written before (no edit mark) reads as it always did.
    void tagEditsSurviveReading() {
        settings::g_bCopyID3FromSource = true;
        const QString mp3 = audio("song.mp3");
        QVERIFY(makeMp3(mp3, "Source Title"));
        QVERIFY(writeAll(f->listPath("Songs"), (record("one", mp3) + record("two", mp3) + "\r\n").toUtf8()));
        build();
        f->click(f->listNode("Songs"));
        QCOMPARE(f->grid->Rows(), 2);
        QCOMPARE(cell(1, COL_TAG_TITLE), QString("Source Title"));
        QCOMPARE(cell(2, COL_TAG_TITLE), QString("Source Title"));

        f->grid->setSelectedRow(1);
        frmItem* w = LoadItemProperties(*f->grid, *f->lists, nullptr, f->owner.get());
        QVERIFY(w);
        w->txtTagSong->setText("My Title");
        QCOMPARE(w->ApplyItemChanges(), 0);
        delete w;

        for (int reading = 0; reading < 2; ++reading) {
            f->click(f->listNode("Songs"));
            QCOMPARE(f->grid->Rows(), 2);
            QCOMPARE(cell(1, COL_TAG_TITLE), QString("My Title"));
            QCOMPARE(cell(2, COL_TAG_TITLE), QString("Source Title"));
            f->lists->SaveGridToFile(); // a save in between changes nothing
        }
        // The row never edited is written as it always was.
        const QStringList records = SplitRecords(ReadListFile(f->listPath("Songs")));
        QCOMPARE(records.size(), 2);
        QVERIFY(records[0].contains("<COL_TAG_EDITED>1</COL_TAG_EDITED>"));
        QVERIFY(!records[1].contains("COL_TAG_EDITED"));
    }

    // Items not shown because their files are missing or cannot be read are
    // counted in the status text and on the empty-list panel; their records
    // stay in the file. An MP3 whose tag has a malformed frame still shows,
    // with the tags that could be read.
    void hiddenItemsAreCounted() {
        QVERIFY(writeAll(audio("junk.mp3"), QByteArray(4000, 'x')));
        QVERIFY(writeAll(
            f->listPath("Away"),
            (record("gone", "/no/such/drive/a.wav") + record("junk", audio("junk.mp3")) + "\r\n").toUtf8()));
        const QString mp3 = audio("broken-tag.mp3");
        QVERIFY(makeMp3(mp3, "Readable Title"));
        {
            // The frame after the title gets a size no frame can have.
            QByteArray bytes = readAll(mp3);
            const qsizetype at = bytes.indexOf("TSSE");
            QVERIFY(at > 0);
            bytes.replace(at + 4, 4, QByteArray("\x7f\xff\xff\xff", 4));
            QVERIFY(writeAll(mp3, bytes));
        }
        QVERIFY(writeAll(f->listPath("Mixed"),
                         (record("gone", "/no/such/drive/b.wav") + record("tagged", mp3) + "\r\n").toUtf8()));
        settings::g_bCopyID3FromSource = true;
        build();

        f->click(f->listNode("Away"));
        QCOMPARE(f->grid->Rows(), 0);
        QVERIFY(m_emptyShown);
        QVERIFY2(m_emptyText.contains("2 items not shown"), qPrintable(m_emptyText));
        QVERIFY2(m_panels.value("Items List Properties").contains("2 items not shown"),
                 qPrintable(m_panels.value("Items List Properties")));
        // The records stay.
        f->lists->SaveGridToFile();
        QCOMPARE(SplitRecords(ReadListFile(f->listPath("Away"))).size(), 2);

        f->click(f->listNode("Mixed"));
        QCOMPARE(f->grid->Rows(), 1);
        QCOMPARE(cell(1, COL_ITEM_NAME), QString("tagged"));
        QCOMPARE(cell(1, COL_TAG_TITLE), QString("Readable Title"));
        QVERIFY2(m_panels.value("Items List Properties")
                     .endsWith("(1 item not shown: its file is missing or unreadable)"),
                 qPrintable(m_panels.value("Items List Properties")));
    }

    // One byte that is not UTF-8 decodes that value alone as Windows-1252:
    // the other values keep their UTF-8 characters through a read and a save.
    void oneBadByteSpoilsOnlyItsValue() {
        const QString folder = audio(QString::fromUtf8("Müsik"));
        QDir().mkpath(folder);
        const QString wav = folder + QString::fromUtf8("/Über.wav");
        QVERIFY(writeAll(wav, silentWav(1)));
        const QByteArray bad = record("X", wav).toUtf8().replace("<Item Name>X", "<Item Name>R\xe9sum\xe9");
        QVERIFY(
            writeAll(f->listPath("Bytes"), record(QString::fromUtf8("Café"), wav).toUtf8() + bad + "\r\n"));
        build();
        f->click(f->listNode("Bytes"));
        QCOMPARE(f->grid->Rows(), 2);
        QCOMPARE(cell(1, COL_FILE), wav);
        QCOMPARE(cell(1, COL_ITEM_NAME), QString::fromUtf8("Café"));
        QCOMPARE(cell(2, COL_FILE), wav);
        QCOMPARE(cell(2, COL_ITEM_NAME), QString::fromUtf8("Résumé"));

        f->lists->SaveGridToFile();
        const QByteArray saved = readAll(f->listPath("Bytes"));
        QVERIFY(saved.contains(wav.toUtf8()));
        QVERIFY(saved.contains(QString::fromUtf8("<Item Name>Café<").toUtf8()));
        QVERIFY(saved.contains(QString::fromUtf8("<Item Name>Résumé<").toUtf8()));
        QCOMPARE(saved.count(wav.toUtf8()), 2);
    }

    // A name beginning with "." would hide the list file (and the list with
    // it); such names and names holding "/" are refused with the balloon, in
    // the tree and in the Items List Properties window.
    void namesThatWouldLoseAListAreRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("dot") << ".hidden";
        QTest::newRow("slash") << "a/b";
    }
    void namesThatWouldLoseAListAreRefused() {
        QFETCH(QString, name);
        QVERIFY(writeAll(f->listPath("Jazz"), "\r\n"));
        build();
        cTreeViewNode node = f->listNode("Jazz");
        f->click(node);

        bool cancel = false;
        f->lists->cTreeView1_AfterLabelEdit(node, name, &cancel);
        QVERIFY(cancel);
        QCOMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
        QVERIFY(QFile::exists(f->listPath("Jazz")));
        QCOMPARE(node.Key(), f->listPath("Jazz"));
        closeBalloons();

        frmDirProperties* w = ShowItemsListProperties(*f->lists, *f->tree, "0 Items", f->owner.get());
        QVERIFY(w);
        w->txtFolderName->setText(name);
        w->cmdOk_Click();
        QCOMPARE(f->svc().messages.size(), 1);
        QVERIFY(f->svc().messages.first().prompt.startsWith("Illegal Item Name."));
        QCOMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
        QVERIFY(QFile::exists(f->listPath("Jazz")));
        QCOMPARE(f->listNode("Jazz").Text(), QString("Jazz"));

        // A "/" typed into the name box is refused with the same balloon.
        closeBalloons();
        w->txtFolderName->clear();
        w->txtFolderName->setFocus();
        QTest::keyClicks(w->txtFolderName, "a/b");
        QCOMPARE(w->txtFolderName->text(), QString("ab"));
        QCOMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
    }

    // Only the title strip takes the text colour; every label of the Items
    // List Properties window reads on its background, with the seeded colours
    // (white title text on the application blue) and with black text.
    void listPropertiesLabelsAreReadable_data() {
        QTest::addColumn<qint64>("textColour");
        QTest::newRow("white text") << qint64(0xFFFFFF);
        QTest::newRow("black text") << qint64(0x000000);
    }
    void listPropertiesLabelsAreReadable() {
        QFETCH(qint64, textColour);
        settings::g_lTextColor = textColour;
        settings::g_lAppColor = 0x800000;       // dark blue
        core::g_sViewBackColor = "-2147483633"; // button face
        core::g_sViewBackPicture.clear();
        core::g_sViewTitlePicture.clear();
        QVERIFY(writeAll(f->listPath("Jazz"), "\r\n"));
        build();
        f->click(f->listNode("Jazz"));
        frmDirProperties* w = ShowItemsListProperties(*f->lists, *f->tree, "0 Items", f->owner.get());
        QVERIFY(w);
        const QColor back = w->palette().color(w->backgroundRole());
        for (QLabel* label : {w->lblFolderName, w->lblPath, w->lblThisFolderContain, w->lblContain}) {
            const QColor fore = label->palette().color(label->foregroundRole());
            QVERIFY2(contrast(fore, back) >= 3.0,
                     qPrintable(label->objectName() + ": " + fore.name() + " on " + back.name()));
        }
        QCOMPARE(w->lblTitle->palette().color(w->lblTitle->foregroundRole()),
                 controls::ColorFromLong(textColour));
    }

    // Item Properties shows the stream's bit rate in kbit/s, and for a CD
    // track the CD's format.
    void itemPropertiesShowBitRate() {
        const QString mp3 = audio("192.mp3");
        QVERIFY(makeMp3(mp3, "T", "192k"));
        QVERIFY(writeAll(f->listPath("Songs"), (record("song", mp3) + "\r\n").toUtf8()));
        build();
        f->click(f->listNode("Songs"));
        QCOMPARE(f->grid->Rows(), 1);
        f->grid->setSelectedRow(1);
        frmItem* w = LoadItemProperties(*f->grid, *f->lists, nullptr, f->owner.get());
        QVERIFY(w);
        QCOMPARE(w->lblBitrate->text(), QString("192"));
        QCOMPARE(w->lblSamples->text(), QString("44100"));
        delete w;

        // A CD track: no file to examine.
        f->grid->setCellText(1, f->grid->ColumnIndex(COL_FILE), "E:/Track01.cda");
        w = LoadItemProperties(*f->grid, *f->lists, nullptr, f->owner.get());
        QVERIFY(w);
        QCOMPARE(w->lblSamples->text(), QString("44100"));
        QCOMPARE(w->lblBitrate->text(), QString("1411"));
        QCOMPARE(w->lblChannels->text(), QString("STEREO"));
    }
};

QTEST_MAIN(tst_listsafety)
#include "tst_listsafety.moc"

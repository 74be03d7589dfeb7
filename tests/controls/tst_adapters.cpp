#include "controls/ControlColor.h"
#include "controls/cBalloonTip.h"
#include "controls/cImageList.h"
#include "controls/cPopupMenu.h"
#include "controls/cProgressBar.h"
#include "controls/cReBar.h"
#include "controls/cSlider.h"
#include "controls/cStatusBar.h"
#include "controls/cTabControl.h"
#include "controls/cToolbar.h"
#include "controls/cToolbarHost.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

// A small tree in the shape the main window builds: two heads, separators with a shared key,
// a key carried twice, captions with trailing blanks.
struct MenuFixture {
    cPopupMenu menu;
    qint32 file = 0, exitFile = 0, mode = 0, onTop = 0, transparent = 0, sep1 = 0, sep2 = 0, exitMode = 0,
           help = 0, topics = 0;
    MenuFixture() {
        file = menu.AddItem("File", "", 0, 0, -1, 0, -1, "mnuFileTop");
        sep1 = menu.AddItem("-", "", 0, file, -1, 0, -1, "mnuFile(4)");
        exitFile = menu.AddItem("Exit", "", 0, file, -1, 0, -1, "Exit");
        mode = menu.AddItem("Mode", "", 0, 0, -1, 0, -1, "Mode");
        transparent = menu.AddItem("Transparent", "", 0, mode, 11, 0, -1, "Transparent");
        onTop = menu.AddItem("On Top", "", 0, mode, 53, 0, -1, "On Top");
        sep2 = menu.AddItem("-", "", 0, mode, -1, 0, -1, "mnuFile(4)");
        exitMode = menu.AddItem("Exit", "", 0, mode, 78, 0, -1, "Exit");
        help = menu.AddItem("Help", "", 0, 0, -1, 0, -1, "Help");
        topics = menu.AddItem("Help Topics     ", "", 0, help, 12, 0, -1, "HelpTopic");
        menu.setVisible(help, false);
        menu.setMenuReady(true);
    }
};

// The player toolbar as the main window builds it: buttons and separators interleaved.
struct PlayerToolbar {
    cImageList images;
    cToolbar bar;
    PlayerToolbar() {
        images.LoadStandardSet();
        bar.setStyle(2);
        bar.SetImageList(&images);
        bar.CreateToolbar(26, false, true, true);
        bar.AddButton("Play", 13, 0, 0, QString(), cToolbar::StyleDropDown, "Play");
        bar.AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
        bar.AddButton("Pause", 16, 0, 0, QString(), cToolbar::StyleCheck, "Pause");
        bar.AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
        bar.AddButton("Stop", 14, 0, 0, QString(), cToolbar::StyleNormal, "Stop");
        bar.AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
        bar.AddButton("Add Files(s) to The Items List", 2, 0, 0, "  Add File(s)  ", cToolbar::StyleNormal,
                      "Add");
        bar.resize(400, 40);
        bar.show();
    }
};

struct MainStatusBar {
    cImageList images;
    cStatusBar bar;
    MainStatusBar() {
        images.LoadStandardSet();
        bar.setImageList(&images);
        bar.AddPanel(0, "", "", 47, 120, false, false, 0, "Main");
        bar.AddPanel(0, "", "", -1, 180, false, false, 0, "Items List Properties");
        bar.AddPanel(0, "3 notes", "Notes", 8, 250, false, false, 0, "Notes");
        bar.AddPanel(0, "Master Volume", "", 79, 64, false, false, 0, "Master Volume");
        bar.resize(800, 24);
        bar.show();
    }
};

} // namespace

class tst_adapters : public QObject {
    Q_OBJECT
private slots:
    // ---- popup menu -------------------------------------------------------------------------

    void menuIndexesAreOneBasedInOrder() {
        MenuFixture f;
        QCOMPARE(f.file, 1);
        QCOMPARE(f.topics, 10);
        QCOMPARE(f.menu.ItemCount(), 10);
        QCOMPARE(f.menu.ItemParent(f.onTop), f.mode);
        QCOMPARE(f.menu.ItemParent(f.mode), 0);
        QCOMPARE(f.menu.Children(f.mode), (QVector<qint32>{f.transparent, f.onTop, f.sep2, f.exitMode}));
        QCOMPARE(f.menu.Children(0), (QVector<qint32>{f.file, f.mode, f.help}));
    }

    void menuKeyLookup_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expectedKey");
        QTest::newRow("known key") << "On Top"
                                   << "On Top";
        QTest::newRow("head key") << "Mode"
                                  << "Mode";
        QTest::newRow("missing key runs nothing") << "Main"
                                                  << "";
        QTest::newRow("case differs") << "on top"
                                      << "";
        QTest::newRow("empty key") << ""
                                   << "";
        QTest::newRow("trailing blank differs") << "HelpTopic "
                                                << "";
    }
    void menuKeyLookup() {
        QFETCH(QString, key);
        QFETCH(QString, expectedKey);
        MenuFixture f;
        const qint32 index = f.menu.IndexForKey(key);
        QCOMPARE(f.menu.ItemKey(index), expectedKey);
        if (expectedKey.isEmpty()) QCOMPARE(index, 0);
    }

    void menuItemKeyOfNonItemsIsEmpty() {
        MenuFixture f;
        for (qint32 index : {0, -1, 11, 1000})
            QVERIFY(f.menu.ItemKey(index).isEmpty());
        QVERIFY(f.menu.Caption(0).isEmpty());
        QVERIFY(!f.menu.Checked(0));
        f.menu.setChecked(0, true); // ignored, no crash
        f.menu.setCaption(99, "x");
    }

    void menuDuplicateKeyFindsFirst() {
        MenuFixture f;
        QCOMPARE(f.menu.IndexForKey("Exit"), f.exitFile);
        QCOMPARE(f.menu.IndexForKey("mnuFile(4)"), f.sep1);
    }

    void menuSeparatorsAndCaptions() {
        MenuFixture f;
        QVERIFY(f.menu.IsSeparator(f.sep1));
        QVERIFY(f.menu.IsSeparator(f.sep2));
        QVERIFY(!f.menu.IsSeparator(f.exitFile));
        QVERIFY(f.menu.Action(f.sep2)->isSeparator());
        // Trailing blanks are part of the caption.
        QCOMPARE(f.menu.Caption(f.topics), QString("Help Topics     "));
        QCOMPARE(f.menu.Action(f.topics)->text(), QString("Help Topics     "));
        f.menu.setCaption(f.exitMode, "Show");
        QCOMPARE(f.menu.Caption(f.exitMode), QString("Show"));
        QCOMPARE(f.menu.Action(f.exitMode)->text(), QString("Show"));
    }

    void menuCheckMarksFollowTheModel() {
        MenuFixture f;
        QVERIFY(!f.menu.Checked(f.onTop));
        f.menu.setChecked(f.onTop, true);
        QVERIFY(f.menu.Checked(f.onTop));
        QVERIFY(f.menu.Action(f.onTop)->isChecked());
        // A click does not toggle the mark by itself: the command handler decides.
        QSignalSpy click(&f.menu, &cPopupMenu::Click);
        f.menu.Action(f.onTop)->trigger();
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toInt(), f.onTop);
        QVERIFY(f.menu.Checked(f.onTop));
        QVERIFY(f.menu.Action(f.onTop)->isChecked());
        f.menu.setChecked(f.onTop, false);
        QVERIFY(!f.menu.Action(f.onTop)->isChecked());
    }

    void menuShowOpensTheLevelHoldingTheItem() {
        MenuFixture f;
        QCOMPARE(f.menu.MenuForItem(f.transparent), f.menu.SubMenu(f.mode));
        QCOMPARE(f.menu.MenuForItem(f.topics), f.menu.SubMenu(f.help));
        QVERIFY(f.menu.MenuForItem(f.mode) == nullptr);
        QVERIFY(f.menu.MenuForItem(0) == nullptr);
        QMenu* modeMenu = f.menu.SubMenu(f.mode);
        QCOMPARE(modeMenu->actions().size(), 4);
        QCOMPARE(modeMenu->actions().at(1), f.menu.Action(f.onTop));

        qint32 result = -5;
        f.menu.ShowPopupMenuEx(10, 20, 0, 0, 0, 0, -1, f.transparent, result);
        QCOMPARE(result, 0);
        QCOMPARE(f.menu.LastShownMenu(), modeMenu);
        QVERIFY(modeMenu->isVisible()); // popup() returns at once
        modeMenu->hide();
        // A hidden head still opens as a popup.
        f.menu.ShowPopupMenu(5, 5, f.topics, -1, result);
        QCOMPARE(f.menu.LastShownMenu(), f.menu.SubMenu(f.help));
        f.menu.LastShownMenu()->hide();
    }

    void menuBarShowsVisibleHeads() {
        MenuFixture f;
        QMenuBar bar;
        f.menu.FillMenuBar(&bar);
        QStringList shown;
        for (QAction* a : bar.actions())
            if (a->isVisible()) shown << a->text();
        QCOMPARE(shown, (QStringList{"File", "Mode"}));
        f.menu.setVisible(f.help, true);
        QVERIFY(bar.actions().at(2)->isVisible());
    }

    void menuIconsFromImageList() {
        MenuFixture f;
        cImageList images;
        images.LoadStandardSet();
        f.menu.setImageList(&images);
        QVERIFY(!f.menu.Action(f.onTop)->icon().isNull());
        QVERIFY(f.menu.Action(f.exitFile)->icon().isNull()); // -1: none
        const qint32 later = f.menu.AddItem("Notes", "", 0, f.mode, 8, 0, -1, "Notes");
        QVERIFY(!f.menu.Action(later)->icon().isNull());
    }

    // ---- toolbar ----------------------------------------------------------------------------

    void toolbarIndexesCountSeparators_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("index");
        QTest::newRow("first") << "Play" << 1;
        QTest::newRow("after a separator") << "Pause" << 3;
        QTest::newRow("after two separators") << "Stop" << 5;
        QTest::newRow("last") << "Add" << 7;
        QTest::newRow("missing button") << "On Top" << 0;
        QTest::newRow("separators have no key") << "" << 0;
    }
    void toolbarIndexesCountSeparators() {
        QFETCH(QString, key);
        QFETCH(int, index);
        PlayerToolbar t;
        QCOMPARE(t.bar.ButtonCount(), 7);
        QCOMPARE(t.bar.ButtonIndex(key), index);
        if (index)
            QCOMPARE(t.bar.ButtonKey(index), key);
        else
            QVERIFY(!t.bar.ButtonChecked(key));
    }

    void toolbarKeysOfNonButtonsAreEmpty() {
        PlayerToolbar t;
        for (qint32 index : {0, 2, 8, -1})
            QVERIFY(t.bar.ButtonKey(index).isEmpty());
        QVERIFY(t.bar.ButtonWidget(2) == nullptr); // separator
        t.bar.setButtonChecked(0, true);           // ignored
        t.bar.setButtonEnabled("nothing", false);  // ignored
        QCOMPARE(t.bar.ButtonCaption(7), QString("  Add File(s)  "));
        QCOMPARE(t.bar.ButtonWidget(7)->text(), QString("  Add File(s)  "));
        QCOMPARE(t.bar.ButtonWidget(5)->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QVERIFY(!t.bar.ButtonWidget(5)->icon().isNull());
        QCOMPARE(t.bar.iconSize(), QSize(26, 26));
    }

    void toolbarCheckButtonStaysDown() {
        PlayerToolbar t;
        QSignalSpy click(&t.bar, &cToolbar::ButtonClick);
        QToolButton* pause = t.bar.ButtonWidget(3);
        pause->click();
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toInt(), 3);
        QVERIFY(t.bar.ButtonChecked("Pause"));
        QVERIFY(t.bar.ButtonChecked(3));
        t.bar.setButtonChecked("Pause", false);
        QVERIFY(!t.bar.ButtonChecked(3));
        QCOMPARE(click.count(), 1); // setting from code raises nothing
        // A normal button has no down state.
        t.bar.ButtonWidget(5)->click();
        QVERIFY(!t.bar.ButtonChecked("Stop"));
        t.bar.setButtonChecked("Stop", true);
        QVERIFY(!t.bar.ButtonChecked("Stop"));
    }

    void toolbarDropDownFaceAndArrow() {
        PlayerToolbar t;
        QSignalSpy click(&t.bar, &cToolbar::ButtonClick);
        QSignalSpy drop(&t.bar, &cToolbar::ButtonDropDown);
        QToolButton* play = t.bar.ButtonWidget(1);
        QStyleOptionToolButton opt;
        opt.initFrom(play);
        opt.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
        opt.features = QStyleOptionToolButton::MenuButtonPopup;
        const QRect arrow =
            play->style()->subControlRect(QStyle::CC_ToolButton, &opt, QStyle::SC_ToolButtonMenu, play);
        QVERIFY(arrow.isValid());
        QTest::mouseClick(play, Qt::LeftButton, {}, arrow.center());
        QCOMPARE(drop.count(), 1);
        QCOMPARE(drop.at(0).at(0).toInt(), 1);
        QCOMPARE(click.count(), 0);
        QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(3, play->height() / 2));
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toInt(), 1);
        QCOMPARE(drop.count(), 1);
    }

    void toolbarDropDownPositionIsUnderTheButton() {
        PlayerToolbar t;
        qint32 x = -1, y = -1;
        t.bar.GetDropDownPosition(5, x, y);
        QToolButton* stop = t.bar.ButtonWidget(5);
        QCOMPARE(QPoint(x, y), stop->mapToGlobal(QPoint(0, stop->height())));
        qint32 x2 = 7, y2 = 8;
        t.bar.GetDropDownPosition(9, x2, y2); // unknown: untouched
        QCOMPARE(QPoint(x2, y2), QPoint(7, 8));
    }

    void toolbarEnabledState() {
        PlayerToolbar t;
        QVERIFY(t.bar.ButtonEnabled("Play"));
        t.bar.setButtonEnabled("Play", false);
        QVERIFY(!t.bar.ButtonEnabled("Play"));
        QVERIFY(!t.bar.ButtonEnabled(0));
    }

    void toolbarHostAndRebarTakeTheirChildren() {
        QWidget window;
        cToolbarHost host(&window);
        auto* bar = new cToolbar(&window);
        bar->AddButton("New Items List", 48, 0, 0, QString(), 0, "New Items List");
        host.setBackgroundPicture(QDir::temp().filePath("no-such-picture-corvane.bmp"));
        QVERIFY(!host.HasBackgroundPicture());
        host.AttachToolbar(bar);
        QCOMPARE(host.Toolbar(), bar);
        QCOMPARE(bar->parentWidget(), &host);
        host.setBackColor(0x00FF0000);
        QCOMPARE(host.palette().color(QPalette::Window), QColor(0, 0, 255));

        QWidget picList(&window);
        cReBar rebar;
        rebar.setSetting1(1);
        rebar.CreateRebar(&picList);
        cToolbar* list = new cToolbar(&window);
        QCOMPARE(rebar.AddBandByHwnd(list->hWnd(), "", false, false, "Toolbar1"), 1);
        rebar.ApplyBand(0);
        QCOMPARE(rebar.parentWidget(), &picList);
        QCOMPARE(rebar.BandKey(1), QString("Toolbar1"));
        QCOMPARE(rebar.BandChild(1), list);
        QVERIFY(rebar.BandKey(2).isEmpty());
    }

    // ---- status bar -------------------------------------------------------------------------

    void statusPanelKeys_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("key");
        QTest::newRow("first") << 1 << "Main";
        QTest::newRow("last") << 4 << "Master Volume";
        QTest::newRow("zero") << 0 << "";
        QTest::newRow("past the end") << 5 << "";
        QTest::newRow("negative") << -1 << "";
    }
    void statusPanelKeys() {
        QFETCH(int, index);
        QFETCH(QString, key);
        MainStatusBar s;
        QCOMPARE(s.bar.PanelKey(index), key);
        if (!key.isEmpty()) QCOMPARE(s.bar.PanelIndex(key), index);
    }

    void statusPanelTextAndIconByKey() {
        MainStatusBar s;
        QCOMPARE(s.bar.PanelText("Notes"), QString("3 notes"));
        QCOMPARE(s.bar.PanelToolTip("Notes"), QString("Notes"));
        s.bar.setPanelText("Main", "Ready.");
        QCOMPARE(s.bar.PanelText("Main"), QString("Ready."));
        s.bar.setPanelIcon("Main", 38);
        QCOMPARE(s.bar.PanelIcon("Main"), 38);
        s.bar.setPanelText("main", "x"); // keys are exact
        QVERIFY(s.bar.PanelText("main").isEmpty());
        QCOMPARE(s.bar.PanelText("Main"), QString("Ready."));
        QCOMPARE(s.bar.PanelIcon("nothing"), -1);
        QVERIFY(s.bar.PanelWidget(1)->minimumWidth() >= 120);
        // The text is shown as typed, never as markup.
        s.bar.setPanelText("Main", "<b>x</b>");
        QCOMPARE(s.bar.PanelWidget(1)->findChildren<QLabel*>().last()->textFormat(), Qt::PlainText);
    }

    void statusPanelClickGivesIndex() {
        MainStatusBar s;
        QSignalSpy click(&s.bar, &cStatusBar::PanelClick);
        QTest::mouseClick(s.bar.PanelWidget(3), Qt::LeftButton);
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toInt(), 3);
        QCOMPARE(s.bar.PanelKey(click.at(0).at(0).toInt()), QString("Notes"));
    }

    // ---- slider, progress bars -------------------------------------------------------------

    void sliderMaxAtLeastOne_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero-length file") << 0 << 1;
        QTest::newRow("negative") << -5 << 1;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("five minutes") << 300 << 300;
    }
    void sliderMaxAtLeastOne() {
        QFETCH(int, max);
        QFETCH(int, expected);
        cSlider slider;
        slider.setMax(max);
        QCOMPARE(slider.Max(), expected);
        slider.setValue(1);
        QCOMPARE(slider.Value(), 1);
    }

    void sliderReportsDragStartAndEnd() {
        cSlider slider;
        slider.setMax(100);
        slider.setValue(40);
        QSignalSpy start(&slider, &cSlider::ScrollStart);
        QSignalSpy end(&slider, &cSlider::ScrollEnd);
        slider.setSliderDown(true);
        QCOMPARE(start.count(), 1);
        QCOMPARE(end.count(), 0);
        slider.setSliderDown(false);
        QCOMPARE(end.count(), 1);
        QCOMPARE(end.at(0).at(0).toInt(), 40);
    }

    void progressKeepsWhatWasSet_data() {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("shown");
        QTest::newRow("inside") << 0 << 100 << 40 << 40;
        QTest::newRow("above max (disc overfilled)") << 0 << 360000 << 400000 << 360000;
        QTest::newRow("below min") << 10 << 20 << 5 << 10;
        QTest::newRow("max zero stays still") << 0 << 0 << 0 << 0;
        QTest::newRow("max zero, value above") << 0 << 0 << 3 << 0;
    }
    void progressKeepsWhatWasSet() {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(int, shown);
        cProgressBar bar;
        bar.setMin(min);
        bar.setMax(max);
        bar.setValue(value);
        QCOMPARE(bar.Value(), value);
        QCOMPARE(bar.Max(), max);
        QCOMPARE(bar.value(), shown);
        QVERIFY(bar.maximum() > bar.minimum()); // never the busy animation

        Glimmet glimmet;
        glimmet.setMax(max);
        glimmet.setValue(value);
        QCOMPARE(glimmet.Value(), value);
        QVERIFY(glimmet.maximum() > glimmet.minimum());
    }

    void progressBarColour() {
        Glimmet bar;
        bar.setBarColor(0x000080FF); // orange as BBGGRR
        QCOMPARE(bar.palette().color(QPalette::Highlight), QColor(0xFF, 0x80, 0x00));
        QCOMPARE(bar.BarColor(), qint64(0x000080FF));
    }

    // ---- tab control ------------------------------------------------------------------------

    void tabsRoundTripAndSelection() {
        cImageList images;
        images.LoadStandardSet();
        QWidget window;
        cTabControl tabs(&window);
        tabs.setGeometry(10, 20, 400, 300);
        tabs.setImageList(&images);
        QCOMPARE(tabs.AddTab("General", 9, 1, "General"), 1);
        QCOMPARE(tabs.AddTab("Destination", -1, 1, "Destination"), 2);
        QCOMPARE(tabs.AddTab("Events", 10, 1, "Events"), 3);
        QCOMPARE(tabs.SelectedTab(), 1);
        QVERIFY(!tabs.TabBar()->tabIcon(0).isNull());
        QVERIFY(tabs.TabBar()->tabIcon(1).isNull());
        for (const QString& key : QStringList{"General", "Destination", "Events"})
            QCOMPARE(tabs.TabKey(tabs.TabIndex(key)), key);
        QCOMPARE(tabs.TabIndex("events"), 0);
        QVERIFY(tabs.TabKey(0).isEmpty());
        QVERIFY(tabs.TabKey(4).isEmpty());

        QSignalSpy click(&tabs, &cTabControl::TabClick);
        tabs.SelectTab("Events");
        QCOMPARE(tabs.SelectedTab(), 3);
        QCOMPARE(tabs.TabKey(tabs.SelectedTab()), QString("Events"));
        QCOMPARE(click.count(), 0); // from code: no event
        tabs.SelectTab("missing");
        QCOMPARE(tabs.SelectedTab(), 3);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(tabs.TabBar(), Qt::LeftButton, {}, tabs.TabBar()->tabRect(1).center());
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toInt(), 2);
        QCOMPARE(tabs.SelectedTab(), 2);

        // The page area lies inside the control, below the tabs, in the parent's coordinates.
        const QRect client(tabs.ClientLeft(), tabs.ClientTop(), tabs.ClientWidth(), tabs.ClientHeight());
        QVERIFY(tabs.geometry().contains(client));
        QVERIFY(client.top() >= tabs.y() + tabs.TabBar()->height());
        QVERIFY(client.height() > 200);
    }

    // ---- image list, colours, balloon ------------------------------------------------------

    void imageListNumbering() {
        cImageList images;
        QVERIFY(images.ItemPicture(1).isNull());
        images.LoadStandardSet();
        QCOMPARE(images.Count(), cImageList::StandardCount);
        QVERIFY(images.ItemPicture(0).isNull());
        QVERIFY(images.ItemPicture(images.Count() + 1).isNull());
        QVERIFY(images.IconForNumber(-1).isNull());
        // Icon number n is picture n + 1.
        for (qint32 n : {0, 1, 3, 4, 17, 25, 42, 43, 71, 83})
            QCOMPARE(images.IconForNumber(n).cacheKey(), images.ItemPicture(n + 1).cacheKey());
        for (qint32 i = 1; i <= images.Count(); ++i)
            QVERIFY(!images.ItemPicture(i).isNull());
    }

    // The built-in pictures are made when first drawn; they must come out at
    // the size asked for, on plain and on high-density screens, drawn and
    // style-made ones alike (the grid's pictures too).
    void imageListPicturesAtEveryDensity_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
        QTest::newRow("1.5x") << 1.5;
    }
    void imageListPicturesAtEveryDensity() {
        QFETCH(qreal, ratio);
        cImageList standard;
        standard.LoadStandardSet();
        cImageList grid;
        grid.LoadGridSet();
        const int most = qRound(16 * ratio);
        for (cImageList* images : {&standard, &grid}) {
            for (qint32 n : {0, 1, 2, 3, 4, 17, 47, 79}) {
                const QPixmap pixmap = images->IconForNumber(n).pixmap(QSize(16, 16), ratio);
                const QSize shown = pixmap.deviceIndependentSize().toSize();
                const QString what = QStringLiteral("%1: %2x%3 pixels at %4")
                                         .arg(n)
                                         .arg(pixmap.width())
                                         .arg(pixmap.height())
                                         .arg(pixmap.devicePixelRatio());
                // Shown in the box asked for, filling it one way (pictures
                // keep their shape), and never made finer than the screen needs.
                QVERIFY2(!pixmap.isNull(), qPrintable(what));
                QVERIFY2(shown.width() <= 16 && shown.height() <= 16 &&
                             qMax(shown.width(), shown.height()) == 16,
                         qPrintable(what));
                QVERIFY2(pixmap.width() <= most && pixmap.height() <= most, qPrintable(what));
            }
        }
    }

    void imageListFromFolder() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        cImageList images;
        QVERIFY(!images.LoadFromFolder(dir.path())); // nothing there
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
        const char* names[] = {"b.png", "a.png", "c.png"};
        for (int i = 0; i < 3; ++i) {
            QPixmap p(8, 8);
            p.fill(colours[i]);
            QVERIFY(p.save(dir.filePath(names[i])));
        }
        QFile bad(dir.filePath("d.png"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a picture");
        bad.close();
        QVERIFY(images.LoadFromFolder(dir.path()));
        QCOMPARE(images.Count(), 3);
        // File-name order: a (green), b (red), c (blue).
        QCOMPARE(images.ItemPicture(1).pixmap(8, 8).toImage().pixelColor(4, 4), QColor(Qt::green));
        QCOMPARE(images.ItemPicture(2).pixmap(8, 8).toImage().pixelColor(4, 4), QColor(Qt::red));
    }

    void colourNumbers_data() {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red") << qint64(0x000000FF) << QColor(255, 0, 0);
        QTest::newRow("blue") << qint64(0x00FF0000) << QColor(0, 0, 255);
        QTest::newRow("mixed") << qint64(0x00336699) << QColor(0x99, 0x66, 0x33);
        QTest::newRow("button face") << qint64(0x8000000F) << QApplication::palette().color(QPalette::Button);
        QTest::newRow("button face read signed")
            << qint64(qint32(0x8000000F)) << QApplication::palette().color(QPalette::Button);
        QTest::newRow("window background")
            << qint64(0x80000005) << QApplication::palette().color(QPalette::Base);
    }
    void colourNumbers() {
        QFETCH(qint64, number);
        QFETCH(QColor, colour);
        QCOMPARE(controls::ColorFromLong(number), colour);
    }

    void balloonOutlivesItsObjectAndDoesNotBlock() {
        QWidget window;
        window.resize(200, 100);
        window.show();
        QPointer<QWidget> shown;
        {
            cBalloonTip tip;
            QVERIFY(tip.Show() == nullptr); // no target yet
            tip.setIcon(1);
            tip.setText("Illegal name.\r\n\r\nThe chars:   /\\:?*<>\"|   are not legal.");
            tip.Create(&window);
            shown = tip.Show();
        }
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->objectName(), QString(cBalloonTip::WindowName));
        auto* text = shown->findChild<QLabel*>("text");
        QVERIFY(text);
        QVERIFY(text->text().contains("are not legal."));
        QVERIFY(shown->findChild<QLabel*>("icon"));
        QVERIFY(!shown->findChild<QLabel*>("title"));
        // A second balloon replaces the first.
        cBalloonTip again;
        again.setTitle("Corvane");
        again.Create(&window);
        QPointer<QWidget> second = again.Show();
        QTRY_VERIFY(!shown);
        QVERIFY(second && second->findChild<QLabel*>("title"));
    }
};

QTEST_MAIN(tst_adapters)
#include "tst_adapters.moc"

// Every window of the full build as a new user first sees it: the program
// started on an empty folder and store, a list of two marked WAVs, a CD in
// one drive and a blank disc in another; each tool, the settings dialogs,
// the About window and the two properties windows opened through the main
// window. In each, every control shown lies wholly inside the window with
// room for its text, and every tab of a tab control is on view and shows its
// own page when clicked. With CORVANE_SCREENSHOTS set to a folder, a picture
// of each window is saved there.
#include "DiscImages.h"
#include "ListFixtures.h"
#include "MediaTools.h"
#include "TestEnv.h"

#include "app/StartApplication.h"
#include "controls/cGrid.h"
#include "controls/cTabControl.h"
#include "controls/cTreeView.h"
#include "core/mdlModes.h"
#include "listviews/ItemsTree.h"
#include "listviews/frmDirProperties.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"
#include "tags/frmMP3TagsEditor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

namespace {

// The part of a widget its window shows: its rectangle cut by every parent's.
QRect ShownRect(const QWidget* widget, const QWidget* window) {
    QRect shown(widget->mapTo(window, QPoint(0, 0)), widget->size());
    for (const QWidget* p = widget->parentWidget(); p && p != window; p = p->parentWidget())
        shown &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    return shown & window->rect();
}

QString Describe(const QWidget* widget) {
    QString text;
    if (auto* b = qobject_cast<const QAbstractButton*>(widget)) text = b->text();
    if (auto* l = qobject_cast<const QLabel*>(widget)) text = l->text();
    return QString("%1 %2 \"%3\"")
        .arg(widget->metaObject()->className(), widget->objectName(), text.left(40));
}

// The controls a user reads or works; frames and containers are left out.
bool IsControl(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) return !label->text().trimmed().isEmpty();
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QTabBar*>(widget);
}

// Needs its full width for its text: plain labels, push buttons, check and option boxes.
bool NeedsTextWidth(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return !label->wordWrap() && label->textFormat() != Qt::RichText && !label->text().contains('<');
    return qobject_cast<const QPushButton*>(widget) || qobject_cast<const QCheckBox*>(widget) ||
           qobject_cast<const QRadioButton*>(widget);
}

QSet<const QWidget*> ShownWidgets(const QWidget* window) {
    QSet<const QWidget*> shown;
    for (const QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisibleTo(window)) shown.insert(w);
    return shown;
}

// What is wrong with the window as shown; empty when nothing is.
QStringList Faults(QWidget* window, const QString& name) {
    QStringList faults;
    QCoreApplication::processEvents();
    if (!window->isVisible()) return {name + ": not shown"};

    const QString shots = qEnvironmentVariable("CORVANE_SCREENSHOTS");
    if (!shots.isEmpty() && QDir().mkpath(shots))
        window->grab().save(QDir(shots).filePath(QString(name).replace(' ', '_') + ".png"), "PNG");

    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !IsControl(w)) continue;
        const QRect shown = ShownRect(w, window);
        if (shown.size() != w->size())
            faults << QString("%1: %2 is cut to %3x%4 of %5x%6")
                          .arg(name, Describe(w))
                          .arg(shown.width())
                          .arg(shown.height())
                          .arg(w->width())
                          .arg(w->height());
        else if (NeedsTextWidth(w) &&
                 (w->width() < w->minimumSizeHint().width() || w->height() < w->minimumSizeHint().height()))
            faults << QString("%1: %2 is %3x%4, its text needs %5x%6")
                          .arg(name, Describe(w))
                          .arg(w->width())
                          .arg(w->height())
                          .arg(w->minimumSizeHint().width())
                          .arg(w->minimumSizeHint().height());
    }

    for (cTabControl* tabs : window->findChildren<cTabControl*>()) {
        if (!tabs->isVisibleTo(window)) continue;
        QTabBar* bar = tabs->TabBar();
        if (bar->height() <= 0 || !bar->isVisibleTo(window)) {
            faults << QString("%1: the tab bar of %2 is %3 px high")
                          .arg(name, tabs->objectName())
                          .arg(bar->height());
            continue;
        }
        QList<QSet<const QWidget*>> pages;
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab(bar->mapTo(window, bar->tabRect(i).topLeft()), bar->tabRect(i).size());
            if (tab.isEmpty() || !window->rect().contains(tab))
                faults << QString("%1: tab \"%2\" lies outside the window").arg(name, bar->tabText(i));
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
            QCoreApplication::processEvents();
            if (!shots.isEmpty() && i > 0)
                window->grab().save(
                    QDir(shots).filePath(QString("%1 tab %2.png").arg(name).arg(i + 1).replace(' ', '_')),
                    "PNG");
            if (tabs->SelectedTab() != i + 1)
                faults << QString("%1: a click on tab \"%2\" did not select it").arg(name, bar->tabText(i));
            const QSet<const QWidget*> shown = ShownWidgets(window);
            for (qsizetype other = 0; other < pages.size(); ++other)
                if (pages[other] == shown)
                    faults << QString("%1: tabs \"%2\" and \"%3\" show the same page")
                                  .arg(name, bar->tabText(int(other)), bar->tabText(i));
            pages << shown;
        }
        if (bar->count() > 0) QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    }
    return faults;
}

// Looks at every modal window that shows while `open` runs, then closes it.
QStringList LookAtModal(const QString& name, const std::function<void()>& open) {
    QStringList faults;
    QSet<QWidget*> seen;
    int looked = 0;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || seen.contains(window)) return;
        seen.insert(window);
        faults << Faults(window, looked++ ? name + " " + window->objectName() : name);
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else
            window->close();
    });
    poll.start();
    open();
    poll.stop();
    if (!looked) faults << name + ": no window showed";
    return faults;
}

// Looks at the shown window of that class that opened without a modal show, then closes it.
template <class Window> QStringList LookAtWindow(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!qobject_cast<Window*>(w) || !w->isVisible()) continue;
        const QStringList faults = Faults(w, name);
        w->close();
        return faults;
    }
    return {name + ": no window showed"};
}

} // namespace

class tst_toolwindows : public QObject {
    Q_OBJECT
private slots:
    void everyWindowShowsEveryControl() {
        testsupport::TestEnv env(false);
        const QString cd = env.addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(cd, {1, 1}).isEmpty());
        env.addVirtualDrive("blank");
        QVERIFY(app::StartApplication(QString()));
        env.services().modalHandler = {}; // every window runs for real

        const QString list = env.home() + "/Main/Songs.flst";
        QStringList sources;
        for (const char* name : {"one", "two"}) {
            const QString wav = env.path(QStringLiteral("audio/%1.wav").arg(name));
            QVERIFY(testsupport::writeSilentWav(wav, 1.0));
            sources << wav;
        }
        QVERIFY(testsupport::writeMarkedList(list, sources));
        // The full build's table.
        frmMain::instance()->close();
        testsupport::processDeletes();
        settings::g_bAppExiting = false;
        core::InitModes(core::Edition::Full);
        auto* main = new frmMain;
        main->Form_Load();
        main->show();
        const auto select = [main](const QString& key) {
            cTreeViewNode node = main->cTreeView1->Nodes().Item(key);
            if (node.isNull()) return false;
            node.setSelected(true);
            main->cTreeView1_NodeClick(node);
            return true;
        };
        QVERIFY(select(list));
        QCOMPARE(main->cGrid1->Rows(), 2);
        main->cGrid1->setSelectedRow(1);

        QStringList faults;
        faults << Faults(main, "Main window");
        for (const mainwindow::ToolInfo& tool : mainwindow::Tools()) {
            if (!mainwindow::Offered(tool)) continue;
            // The ripper and the duplicator read the CD; the rest take the list.
            if (tool.key == "Audio CD Ripper") {
                QVERIFY(select(listviews::g_cAudioCDsNode.Children().Item(1).Key()));
            } else {
                QVERIFY(select(list));
                main->cGrid1->setSelectedRow(1);
            }
            if (tool.key == "MP3 Tags Editor") {
                main->RunCommand(tool.key);
                faults << LookAtWindow<frmMP3TagsEditor>(tool.key);
                continue;
            }
            faults << LookAtModal(tool.key, [&] { main->RunCommand(tool.key); });
        }
        QVERIFY(select(list));
        for (const char* page : {"General", "Events", "View", "ID3 Tags", "Advanced"})
            faults << LookAtModal(QString("Options ") + page, [&] { main->RunCommand(page); });
        faults << LookAtModal(
            "Audio Format", [&] { options::ShowAudioFormatAtTab(main, settings::g_sTargetFormat.left(3)); });
        faults << LookAtModal("About", [&] { main->RunCommand("About"); });
        main->RunCommand("Items List Properties");
        faults << LookAtWindow<frmDirProperties>("Items List Properties");
        faults << LookAtModal("Item Properties", [&] {
            main->cGrid1->setSelectedRow(1);
            main->cGrid1_DblClick(1, 3);
        });

        settings::g_bDisplayMSGWhenExit = false;
        settings::g_bClearOnExit = false;
        main->close();
        testsupport::processDeletes();
        settings::g_bAppExiting = false;
        core::InitModes();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }
};

QTEST_MAIN(tst_toolwindows)
#include "tst_toolwindows.moc"

#include "TestEnv.h"

#include "controls/cImageList.h"
#include "controls/cPopupMenu.h"
#include "core/mdlModes.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/mdlMenus.h"
#include "settings/SettingsVariables.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <QtTest>

#include <memory>

namespace {

// A switch's short name in the tests' texts: "Join" for g_lAppIncJoin.
QString shortName(const core::EditionSwitch& s) {
    return QString::fromLatin1(s.name).remove(QStringLiteral("g_lAppInc"));
}

// "edition" keeps the standard table's switches; otherwise every switch is 0 except the
// names given ("Editor" sets 1, "Editor=2" sets 2).
void setSwitches(const QString& spec) {
    core::InitModes(core::Edition::Standard);
    if (spec == QLatin1String("edition")) return;
    for (const core::EditionSwitch& s : core::EditionSwitches())
        *s.variable = 0;
    for (const QString& token : spec.split(' ', Qt::SkipEmptyParts)) {
        const QString name = token.section('=', 0, 0);
        const qint32 value = token.contains('=') ? token.section('=', 1).toInt() : 1;
        bool found = false;
        for (const core::EditionSwitch& s : core::EditionSwitches())
            if (name == shortName(s)) {
                *s.variable = value;
                found = true;
            }
        QVERIFY2(found, qPrintable("unknown switch " + name));
    }
}

// Every tool's switch on (the items lists' switch is no tool's).
const QString kAllTools = [] {
    QStringList names;
    for (const core::EditionSwitch& s : core::EditionSwitches())
        if (shortName(s) != QLatin1String("ItemsLists")) names << shortName(s);
    return names.join(' ');
}();

// One line per item: caption (quoted, so trailing blanks show), key and icon.
QStringList describe(const cPopupMenu& menu, qint32 head) {
    QStringList lines;
    for (qint32 index : menu.Children(head))
        lines << QStringLiteral("\"%1\" %2 %3")
                     .arg(menu.Caption(index), menu.ItemKey(index))
                     .arg(menu.ItemIcon(index));
    return lines;
}

QStringList captions(const cPopupMenu& menu, qint32 head) {
    QStringList lines;
    for (qint32 index : menu.Children(head))
        lines << menu.Caption(index);
    return lines;
}

qint32 itemsWithKey(const cPopupMenu& menu, const QString& key) {
    qint32 count = 0;
    for (qint32 i = 1; i <= menu.ItemCount(); ++i)
        if (menu.ItemKey(i) == key) ++count;
    return count;
}

QString item(const QString& caption, const QString& key, qint32 icon) {
    return QStringLiteral("\"%1\" %2 %3").arg(caption, key).arg(icon);
}
QString sep(const QString& key) {
    return item("-", key, -1);
}

} // namespace

class tst_menus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void heads();
    void menuItems_data();
    void menuItems();
    void toolsGating_data();
    void toolsGating();
    void filesListGating_data();
    void filesListGating();
    void popupOpeners_data();
    void popupOpeners();
    void commandKeys_data();
    void commandKeys();
    void checkItemsAndSeparators();
    void menuStyle_data();
    void menuStyle();

private:
    std::unique_ptr<testsupport::TestEnv> m_env;
    QVector<qint32> m_savedSwitches;
    bool m_savedXPStyle = false;
};

// Building menus reads no file and no registry value: one private world serves all.
void tst_menus::initTestCase() {
    m_env = std::make_unique<testsupport::TestEnv>(false);
}

void tst_menus::cleanupTestCase() {
    m_env.reset();
}

void tst_menus::init() {
    m_savedSwitches.clear();
    for (const core::EditionSwitch& s : core::EditionSwitches())
        m_savedSwitches << *s.variable;
    m_savedXPStyle = settings::g_bMenuXPStyle;
}

void tst_menus::cleanup() {
    for (int i = 0; i < m_savedSwitches.size(); ++i)
        *core::EditionSwitches()[i].variable = m_savedSwitches[i];
    settings::g_bMenuXPStyle = m_savedXPStyle;
}

void tst_menus::heads() {
    setSwitches("edition");
    cPopupMenu menu;
    mainwindow::CreateMenus(menu, nullptr, nullptr);

    QStringList heads;
    for (qint32 index : menu.Children(0))
        heads << QStringLiteral("%1 %2 %3")
                     .arg(menu.Caption(index), menu.ItemKey(index), menu.Visible(index) ? "shown" : "hidden");
    const QStringList expected = {
        "File mnuFileTop shown",
        "Edit mnuEditTop shown",
        "Tools Tools shown",
        "Options mnuOptionsTop shown",
        "Mode Mode shown",
        "Options Options hidden",
        "Help Help hidden",
        "mnuSysTry mnuSysTry hidden",
        "Player Player hidden",
        "mnuProjects mnuProjects hidden",
        "mnuFilesList mnuFilesList hidden",
        "mnuAdd mnuAdd hidden",
    };
    QCOMPARE(heads, expected);
    // Heads come first in their own creation order: each head's items follow it.
    const QVector<qint32> headIndexes = menu.Children(0);
    for (int h = 0; h + 1 < headIndexes.size(); ++h)
        for (qint32 child : menu.Children(headIndexes[h])) {
            QVERIFY(child > headIndexes[h]);
            QVERIFY(child < headIndexes[h + 1]);
        }
    // Items stay visible: only the heads are hidden.
    for (qint32 i = 1; i <= menu.ItemCount(); ++i)
        if (menu.ItemParent(i) != 0) QVERIFY2(menu.Visible(i), qPrintable(menu.ItemKey(i)));
    QVERIFY(menu.MenuReady());
    QCOMPARE(menu.font().family(), QString("Tahoma"));
}

void tst_menus::menuItems_data() {
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("File") << "edition"
                          << "mnuFileTop"
                          << QStringList{item("Remove", "Remove", 4), sep("mnuFile(4)"),
                                         item("Exit", "Exit", -1)};
    QTest::newRow("Edit") << "edition"
                          << "mnuEditTop" << QStringList{};
    QTest::newRow("Tools") << "edition"
                           << "Tools"
                           << QStringList{sep("mnuFile(4)"),
                                          item("Audio Analyser", "Audio Analyser", 62),
                                          sep("mnuFile(4)"),
                                          item("Audio CD Maker", "Audio CD Maker", 73),
                                          item("Audio CD Ripper", "Audio CD Ripper", 25),
                                          sep("mnuFile(4)"),
                                          item("MP3 CD Maker", "MP3 CD Maker", 72),
                                          sep("mnuFile(4)"),
                                          item("MP3 Tags Editor", "MP3 Tags Editor", 6),
                                          sep("mnuFile(4)"),
                                          item("Text To Speech", "Text To Speech", 82),
                                          sep("mnuFile(4)"),
                                          item("Master Volume", "Master Volume", 79),
                                          sep("mnuFile(4)"),
                                          item("Notes", "Notes", 8)};
    QTest::newRow("Tools, every tool") << kAllTools << "Tools"
                                       << QStringList{sep("mnuFile(4)"),
                                                      item("Audio Converter", "Audio Converter", 60),
                                                      item("ACM Converter", "ACM Converter", 61),
                                                      sep("mnuFile(4)"),
                                                      item("Audio Joiner", "Audio Joiner", 64),
                                                      item("Audio Splitter", "Audio Splitter", 63),
                                                      sep("mnuFile(4)"),
                                                      item("Audio Analyser", "Audio Analyser", 62),
                                                      item("Audio Recorder", "Audio Recorder", 70),
                                                      sep("mnuFile(4)"),
                                                      item("Audio CD Duplicator", "Audio CD Duplicator", 83),
                                                      item("Audio CD Maker", "Audio CD Maker", 73),
                                                      item("Audio CD Ripper", "Audio CD Ripper", 25),
                                                      sep("mnuFile(4)"),
                                                      item("MP3 CD Maker", "MP3 CD Maker", 72),
                                                      item("WMA CD Maker", "WMA CD Maker", 72),
                                                      sep("mnuFile(4)"),
                                                      item("MP3 Tags Editor", "MP3 Tags Editor", 6),
                                                      sep("mnuFile(4)"),
                                                      item("Text To Speech", "Text To Speech", 82),
                                                      sep("mnuFile(4)"),
                                                      item("Master Volume", "Master Volume", 79),
                                                      sep("mnuFile(4)"),
                                                      item("Notes", "Notes", 8)};
    QTest::newRow("mnuOptionsTop") << "edition"
                                   << "mnuOptionsTop" << QStringList{};
    QTest::newRow("Mode") << "edition"
                          << "Mode"
                          << QStringList{item("Transparent", "Transparent", 11),
                                         item("On Top", "On Top", 53),
                                         sep("mnuFile(4)"),
                                         item("Minimize", "Minimize", 76),
                                         item("Go to SysTray", "GoSysTray", 77),
                                         sep("mnuFile(4)"),
                                         item("Exit", "Exit", 78)};
    QTest::newRow("Options") << "edition"
                             << "Options"
                             << QStringList{item("General                     ", "General", 9),
                                            sep("Options Line1"),
                                            item("Events", "Events", 10),
                                            item("View", "View", 11),
                                            sep("Options Line2"),
                                            item("ID3 Tags", "ID3 Tags", 18),
                                            sep("Options Line2"),
                                            item("Advanced", "Advanced", 59)};
    QTest::newRow("Help") << "edition"
                          << "Help"
                          << QStringList{item("Help Topics     ", "HelpTopic", 12),
                                         item("Support", "Support", -1), sep("mnuFile(4)"),
                                         item("About", "About", 22)};
    QTest::newRow("mnuSysTry") << "edition"
                               << "mnuSysTry"
                               << QStringList{item("Exit                      ", "RC Exit", 27), sep("st1"),
                                              item("Hide", "RC Open", -1)};
    QTest::newRow("Player") << "edition"
                            << "Player" << QStringList{item("System Player", "Open Default Player", 38)};
    QTest::newRow("mnuProjects") << "edition"
                                 << "mnuProjects"
                                 << QStringList{
                                        item("New Items List", "New Items List", 48),
                                        item("Rename Items List", "Rename Items List", 49),
                                        item("Remove Items List", "Remove Items List", 50),
                                        sep("st4"),
                                        item("Items List Properties", "Items List Properties", 51),
                                        item("Open Destination Folder", "Open Destination Folder", 4)};
    QTest::newRow("mnuFilesList") << "edition"
                                  << "mnuFilesList"
                                  << QStringList{item("Mark/Unmark All", "MarkUnmark All", 74),
                                                 sep("st1"),
                                                 item("Move Up", "Move Up", 0),
                                                 item("Move Down", "Move Down", 1),
                                                 sep("st1"),
                                                 item("Move To First", "Move To First", 80),
                                                 item("Move To Last", "Move To Last", 81),
                                                 sep("st1"),
                                                 item("Edit", "Rename Item", 32),
                                                 item("Save As...", "Save As", 5),
                                                 sep("st1"),
                                                 item("Audio Analyser", "Audio Analyser", 62),
                                                 sep("st1"),
                                                 item("Remove Item", "Remove Item", 3),
                                                 sep("ClearLine"),
                                                 item("Remove All", "Clear the List", 27),
                                                 sep("st1"),
                                                 item("FreeDB", "FreeDB", 22)};
    QTest::newRow("mnuAdd") << "edition"
                            << "mnuAdd"
                            << QStringList{item("Add Files", "Add Files", 39), sep("st1"),
                                           item("Add Directories", "Add Directories", 4)};
    // Tool switches gate only the tools: the fixed menus are the same in any edition.
    QTest::newRow("Mode, no tools") << ""
                                    << "Mode"
                                    << QStringList{item("Transparent", "Transparent", 11),
                                                   item("On Top", "On Top", 53),
                                                   sep("mnuFile(4)"),
                                                   item("Minimize", "Minimize", 76),
                                                   item("Go to SysTray", "GoSysTray", 77),
                                                   sep("mnuFile(4)"),
                                                   item("Exit", "Exit", 78)};
}

void tst_menus::menuItems() {
    QFETCH(QString, switches);
    QFETCH(QString, head);
    QFETCH(QStringList, expected);
    setSwitches(switches);

    cPopupMenu menu;
    mainwindow::CreateMenus(menu, nullptr, nullptr);
    const qint32 headIndex = menu.IndexForKey(head);
    QVERIFY(headIndex > 0);
    QCOMPARE(menu.ItemParent(headIndex), 0);
    QCOMPARE(describe(menu, headIndex), expected);
}

void tst_menus::toolsGating_data() {
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QStringList>("expected");

    const QString s = "-";
    QTest::newRow("this edition") << "edition"
                                  << QStringList{s,
                                                 "Audio Analyser",
                                                 s,
                                                 "Audio CD Maker",
                                                 "Audio CD Ripper",
                                                 s,
                                                 "MP3 CD Maker",
                                                 s,
                                                 "MP3 Tags Editor",
                                                 s,
                                                 "Text To Speech",
                                                 s,
                                                 "Master Volume",
                                                 s,
                                                 "Notes"};
    // The two unconditional separators stay even around empty groups.
    QTest::newRow("no tools") << "" << QStringList{s, s, "Master Volume", s, "Notes"};
    // Readers test for exactly 1.
    QTest::newRow("switches holding 2")
        << "Converter=2 Editor=2 AudioBurner=2 Duplicator=2 TagsEditor=2 TTS=2 CDRipper=2"
        << QStringList{s, s, "Master Volume", s, "Notes"};
    // The duplicator's group separator depends on the maker and ripper only.
    QTest::newRow("only duplicator") << "Duplicator"
                                     << QStringList{"Audio CD Duplicator", s, s, "Master Volume", s, "Notes"};
    QTest::newRow("duplicator after analyser")
        << "Editor Duplicator"
        << QStringList{s, "Audio Analyser", "Audio CD Duplicator", s, s, "Master Volume", s, "Notes"};
    QTest::newRow("duplicator with ripper")
        << "Duplicator CDRipper"
        << QStringList{s, "Audio CD Duplicator", "Audio CD Ripper", s, s, "Master Volume", s, "Notes"};
    QTest::newRow("ACM converter alone")
        << "ACMConverter" << QStringList{s, "ACM Converter", s, s, "Master Volume", s, "Notes"};
    QTest::newRow("splitter alone") << "Split"
                                    << QStringList{s, "Audio Splitter", s, s, "Master Volume", s, "Notes"};
    QTest::newRow("recorder alone") << "MicRec"
                                    << QStringList{s, "Audio Recorder", s, s, "Master Volume", s, "Notes"};
    QTest::newRow("WMA maker alone") << "WMABurner"
                                     << QStringList{s, "WMA CD Maker", s, s, "Master Volume", s, "Notes"};
    // The separator after the speech tool goes with it.
    QTest::newRow("speech alone") << "TTS"
                                  << QStringList{s, s, "Text To Speech", s, "Master Volume", s, "Notes"};
    QTest::newRow("tag editor alone")
        << "TagsEditor" << QStringList{s, "MP3 Tags Editor", s, "Master Volume", s, "Notes"};
}

void tst_menus::toolsGating() {
    QFETCH(QString, switches);
    QFETCH(QStringList, expected);
    setSwitches(switches);

    cPopupMenu menu;
    mainwindow::CreateMenus(menu, nullptr, nullptr);
    const qint32 tools = menu.IndexForKey("Tools");
    QCOMPARE(captions(menu, tools), expected);
    // Separators of the tools menu all carry the same key; tools carry their caption.
    for (qint32 index : menu.Children(tools))
        QCOMPARE(menu.ItemKey(index), menu.IsSeparator(index) ? QString("mnuFile(4)") : menu.Caption(index));
}

void tst_menus::filesListGating_data() {
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QStringList>("expected");

    const QStringList fixedStart = {"Mark/Unmark All", "-", "Move Up", "Move Down",  "-", "Move To First",
                                    "Move To Last",    "-", "Edit",    "Save As...", "-"};
    const QStringList fixedEnd = {"Remove Item", "-", "Remove All"};
    const QStringList analyser = {"Audio Analyser", "-"};
    const QStringList freeDB = {"-", "FreeDB"};

    QTest::newRow("analyser and ripper") << "Editor CDRipper" << fixedStart + analyser + fixedEnd + freeDB;
    QTest::newRow("analyser only") << "Editor" << fixedStart + analyser + fixedEnd;
    QTest::newRow("ripper only") << "CDRipper" << fixedStart + fixedEnd + freeDB;
    QTest::newRow("neither") << "AudioBurner Duplicator TTS" << fixedStart + fixedEnd;
    QTest::newRow("switches holding 2") << "Editor=2 CDRipper=2" << fixedStart + fixedEnd;
}

void tst_menus::filesListGating() {
    QFETCH(QString, switches);
    QFETCH(QStringList, expected);
    setSwitches(switches);

    cPopupMenu menu;
    mainwindow::CreateMenus(menu, nullptr, nullptr);
    QCOMPARE(captions(menu, menu.IndexForKey("mnuFilesList")), expected);
}

void tst_menus::popupOpeners_data() {
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("itemKey");
    QTest::addColumn<QString>("headKey");

    // The items through which the window opens each popup; they must be unique
    // even when every tool is on.
    const struct {
        const char* item;
        const char* head;
    } openers[] = {{"Notes", "Tools"},
                   {"Transparent", "Mode"},
                   {"ID3 Tags", "Options"},
                   {"About", "Help"},
                   {"Save As", "mnuFilesList"},
                   {"MarkUnmark All", "mnuFilesList"},
                   {"Open Default Player", "Player"},
                   {"RC Open", "mnuSysTry"}};
    for (const QString& switches : {QString("edition"), kAllTools, QString()})
        for (const auto& o : openers)
            QTest::addRow("%s: %s", switches.isEmpty() ? "no tools" : qPrintable(switches.left(12)), o.item)
                << switches << QString(o.item) << QString(o.head);
}

void tst_menus::popupOpeners() {
    QFETCH(QString, switches);
    QFETCH(QString, itemKey);
    QFETCH(QString, headKey);
    setSwitches(switches);

    cPopupMenu menu;
    mainwindow::CreateMenus(menu, nullptr, nullptr);
    QCOMPARE(itemsWithKey(menu, itemKey), 1);
    const qint32 index = menu.IndexForKey(itemKey);
    const qint32 head = menu.IndexForKey(headKey);
    QCOMPARE(menu.ItemParent(index), head);
    QVERIFY(menu.MenuForItem(index) != nullptr);
    QCOMPARE(menu.MenuForItem(index), menu.SubMenu(head));
}

void tst_menus::commandKeys_data() {
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("carried");

    QStringList toolKeys;
    for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
        toolKeys << tool.key;
    const QStringList otherKeys = {"Add Files",
                                   "Add Directories",
                                   "New Items List",
                                   "Rename Items List",
                                   "Remove Items List",
                                   "Items List Properties",
                                   "Open Destination Folder",
                                   "Save As",
                                   "Rename Item",
                                   "MarkUnmark All",
                                   "Remove Item",
                                   "Clear the List",
                                   "Move Up",
                                   "Move Down",
                                   "Move To First",
                                   "Move To Last",
                                   "FreeDB",
                                   "Transparent",
                                   "On Top",
                                   "Minimize",
                                   "GoSysTray",
                                   "Exit",
                                   "Master Volume",
                                   "Notes",
                                   "General",
                                   "Events",
                                   "View",
                                   "ID3 Tags",
                                   "Advanced",
                                   "HelpTopic",
                                   "Support",
                                   "About",
                                   "RC Exit",
                                   "RC Open",
                                   "Open Default Player"};
    for (const QString& key : toolKeys + otherKeys)
        QTest::addRow("every tool: %s", qPrintable(key)) << kAllTools << key << true;
    // "FreeDB" leaves with the ripper; every other non-tool key stays.
    for (const QString& key : otherKeys)
        QTest::addRow("no tools: %s", qPrintable(key)) << "" << key << (key != QLatin1String("FreeDB"));
    // A tool that is off must not be reachable by its key.
    for (const QString& key : toolKeys)
        QTest::addRow("no tools: %s", qPrintable(key)) << "" << key << false;
    for (const char* key : {"Burn From List", "Burn From Files", "Live Update", "Main"})
        QTest::addRow("no item: %s", key) << kAllTools << QString(key) << false;
}

void tst_menus::commandKeys() {
    QFETCH(QString, switches);
    QFETCH(QString, key);
    QFETCH(bool, carried);
    setSwitches(switches);

    cPopupMenu menu;
    mainwindow::CreateMenus(menu, nullptr, nullptr);
    // What the dispatcher sees: the key of the index that a lookup returns.
    const qint32 index = menu.IndexForKey(key);
    if (carried) {
        QVERIFY(index > 0);
        QCOMPARE(menu.ItemKey(index), key);
        QVERIFY(!menu.IsSeparator(index));
        QVERIFY(menu.ItemParent(index) != 0);
    } else {
        QVERIFY(menu.ItemKey(index).isEmpty());
    }
}

void tst_menus::checkItemsAndSeparators() {
    setSwitches(kAllTools);
    cPopupMenu menu;
    mainwindow::CreateMenus(menu, nullptr, nullptr);

    for (qint32 i = 1; i <= menu.ItemCount(); ++i) {
        const QString key = menu.ItemKey(i);
        QAction* action = menu.Action(i);
        QVERIFY(action);
        const bool mode = key == QLatin1String("Transparent") || key == QLatin1String("On Top");
        QCOMPARE(action->isCheckable(), mode);
        QVERIFY(!menu.Checked(i));
        // A "-" caption inside a menu is a separator, never a command.
        QCOMPARE(menu.IsSeparator(i), menu.ItemParent(i) != 0 && menu.Caption(i) == QLatin1String("-"));
        if (menu.IsSeparator(i)) QVERIFY(action->isSeparator());
    }
    // The modes follow the window later; the menu only keeps the mark.
    const qint32 onTop = menu.IndexForKey("On Top");
    menu.setChecked(onTop, true);
    QVERIFY(menu.Checked(onTop));
    QVERIFY(menu.Action(onTop)->isChecked());
}

void tst_menus::menuStyle_data() {
    QTest::addColumn<bool>("xpStyle");
    QTest::newRow("advanced menus style") << true;
    QTest::newRow("plain menus") << false;
}

void tst_menus::menuStyle() {
    QFETCH(bool, xpStyle);
    setSwitches("edition");
    settings::g_bMenuXPStyle = xpStyle;

    QWidget owner;
    cImageList images;
    images.LoadStandardSet();
    cPopupMenu menu;
    mainwindow::CreateMenus(menu, &owner, &images);

    QCOMPARE(menu.XPStyle(), xpStyle);
    QCOMPARE(menu.hWndOwner(), &owner);
    QCOMPARE(menu.ImageList(), &images);
    // Items with an icon number show a picture; separators and -1 show none.
    const qint32 notes = menu.IndexForKey("Notes");
    QVERIFY(!menu.Action(notes)->icon().isNull());
    QVERIFY(menu.Action(menu.IndexForKey("Support"))->icon().isNull());
}

QTEST_MAIN(tst_menus)
#include "tst_menus.moc"

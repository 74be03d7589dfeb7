#include "mainwindow/ToolsTable.h"

#include "burning/frmAudioCDDuplicator.h"
#include "burning/frmCDBurner.h"
#include "burning/frmDataBurner3.h"
#include "controls/cGrid.h"
#include "conversion/ConversionLaunch.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "itemlists/TreeKeys.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"
#include "ripping/frmCDRipper.h"
#include "ripping/frmFreeDB.h"
#include "tags/frmMP3TagsEditor.h"
#include "tools/frmAudioEditor.h"
#include "tools/frmJoiner.h"
#include "tools/frmMicRecorder.h"
#include "tools/frmOrlath.h"
#include "tools/frmSplitter.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace mainwindow {

namespace {

QString root(const char* text) {
    return QString::fromLatin1(text) + QString(40, QLatin1Char(' '));
}
QString mark(const char* text) {
    return QString::fromLatin1(text) + QString(29, QLatin1Char(' '));
}

// A tool's name, pictures and edition switch; the rest is added by the row.
ToolInfo named(const char* key, qint32 icon, const qint32* edition, const char* headlineId,
               const char* headlineCaption, qint32 headlineIcon) {
    ToolInfo tool;
    tool.key = QString::fromLatin1(key);
    tool.caption = tool.key;
    tool.icon = icon;
    tool.edition = edition;
    tool.headlineId = QString::fromLatin1(headlineId);
    tool.headlineCaption = QString::fromLatin1(headlineCaption);
    tool.headlineIcon = headlineIcon;
    return tool;
}

// A tool's place in the Tools menu (its group and its order there) and in
// the tool-button column.
ToolInfo placed(ToolInfo tool, MenuGroup group, qint32 menuOrder, qint32 buttonOrder) {
    tool.menuGroup = group;
    tool.menuOrder = menuOrder;
    tool.buttonOrder = buttonOrder;
    return tool;
}

// A tool that takes its items from the selected list: the root test, "Add
// Files" for an empty list, the mark test, and CD polling off while it is open.
ToolInfo listFed(ToolInfo tool, const char* markText, HandOver handOver, const char* filesText,
                 ToolOpen open) {
    tool.rootText = root("Select the Items List.");
    tool.addFilesWhenEmpty = true;
    tool.markText = mark(markText);
    tool.handOver = handOver;
    tool.filesText = QString::fromLatin1(filesText);
    tool.pausesCDPolling = true;
    tool.open = std::move(open);
    return tool;
}

std::vector<ToolInfo> makeTools() {
    using namespace core;
    using H = HandOver;
    using G = MenuGroup;
    std::vector<ToolInfo> tools;
    // clang-format off
    tools.push_back(listFed(placed(named("Audio Converter", 60, &g_lAppIncConverter, "lAppIncConverter", "Convert", 7), G::Converters, 1, 2),
                            "Mark the items to convert.", H::MarkedRows, "%1 items to convert.", conversion::ShowConverter));
    tools.push_back(listFed(placed(named("MP3 CD Maker", 72, &g_lAppIncMP3Burner, "lAppIncMP3Burner", "Burn MP3", 72), G::DataCD, 1, 10),
                            "Mark the items to burn.", H::MarkedRows, "%1 items to burn.", burning::ShowDataBurner));
    tools.push_back(listFed(placed(named("WMA CD Maker", 72, &g_lAppIncWMABurner, "lAppIncWMABurner", "Burn WMA", 72), G::DataCD, 2, 11),
                            "Mark the items to burn.", H::MarkedRows, "%1 items to burn.", burning::ShowDataBurner));
    {
        // Needs no list and no mark, and is handed nothing. Its group's
        // separator comes with the maker or the ripper, not with it.
        ToolInfo duplicator = placed(named("Audio CD Duplicator", 83, &g_lAppIncDuplicator, "lAppIncFreq", "CD Duplicator", 83), G::AudioCD, 1, 1);
        duplicator.gatesSeparator = false;
        duplicator.pausesCDPolling = true;
        duplicator.open = burning::ShowAudioCDDuplicator;
        tools.push_back(duplicator);
    }
    {
        // The ripper receives every track of the CD with its mark, so it needs a CD drive, not a list.
        ToolInfo ripper = listFed(placed(named("Audio CD Ripper", 25, &g_lAppIncCDRipper, "lAppIncCDRipper", "CD Ripper", 25), G::AudioCD, 3, 8),
                                  "Mark the items to rip.", H::AllRows, "%1 items to convert.", ripping::ShowCDRipper);
        ripper.rootText = root("Select the Items List of the CD.");
        ripper.cdText = root("Select the the Audio CD device to rip from.");
        ripper.addFilesWhenEmpty = false;
        tools.push_back(ripper);
    }
    tools.push_back(listFed(placed(named("ACM Converter", 61, &g_lAppIncACMConverter, "lAppIncACMConverter", "Converter", 61), G::Converters, 2, 3),
                            "Mark the items to convert.", H::MarkedRows, "%1 items to convert.", conversion::ShowACMConverter));
    {
        ToolInfo joiner = listFed(placed(named("Audio Joiner", 64, &g_lAppIncJoin, "lAppIncJoin", "Join", 64), G::JoinSplit, 1, 4),
                                  "Mark the items to join.", H::MarkedRows, "%1 items to join.", tools::OpenAudioJoiner);
        joiner.minMarked = 2;
        joiner.fewText = "Nothing to join." + QString(55, QLatin1Char(' ')) + "\r\n\r\n";
        tools.push_back(joiner);
    }
    tools.push_back(listFed(placed(named("Audio Splitter", 63, &g_lAppIncSplit, "lAppIncSplit", "Splitter", 63), G::JoinSplit, 2, 5),
                            "Mark the items to split.", H::SelectedItem, "Split: %1", tools::OpenAudioSplitter));
    tools.push_back(listFed(placed(named("Audio CD Maker", 73, &g_lAppIncAudioBurner, "lAppIncAudioBurner", "Burn", 73), G::AudioCD, 2, 9),
                            "Mark the items to burn.", H::DiscFill, "", burning::ShowCDBurner));
    // The analyser reads the selected row itself, marked or not; the items
    // popup offers it too.
    {
        ToolInfo analyser = listFed(placed(named("Audio Analyser", 62, &g_lAppIncEditor, "lAppIncEditor", "Analyser", 62), G::Analyse, 1, 6),
                                    "Mark the item to edit.", H::MarkedRows, "", tools::OpenAudioAnalyser);
        analyser.pausesCDPolling = true;
        analyser.itemsMenu = true;
        tools.push_back(analyser);
    }
    {
        // Handed nothing: it works on the one file named in its own path box.
        ToolInfo recorder = placed(named("Audio Recorder", 70, &g_lAppIncMicRec, "lAppIncMicRec", "Recorder", 70), G::Analyse, 2, 7);
        recorder.open = tools::OpenMicRecorder;
        tools.push_back(recorder);
    }
    {
        // Needs no list: it opens with nothing handed over.
        ToolInfo speech = placed(named("Text To Speech", 82, &g_lAppIncTTS, "lAppIncTTS", "TTS", 82), G::Speech, 1, 13);
        speech.open = tools::OpenOrlath;
        tools.push_back(speech);
    }
    {
        // Modeless: the command returns at once and the editor reads nothing of the list.
        ToolInfo editor = placed(named("MP3 Tags Editor", 6, &g_lAppIncTagsEditor, "", "", -1), G::Tags, 1, 12);
        editor.open = tags::OpenMP3TagsEditor;
        tools.push_back(editor);
    }
    // clang-format on
    return tools;
}

QHash<QString, ToolOpen>& standIns() {
    static QHash<QString, ToolOpen> h;
    return h;
}

ToolOpen& freeDBStandIn() {
    static ToolOpen h;
    return h;
}

} // namespace

const std::vector<ToolInfo>& Tools() {
    static const std::vector<ToolInfo> tools = makeTools();
    return tools;
}

const ToolInfo* FindTool(const QString& key) {
    for (const ToolInfo& tool : Tools())
        if (tool.key == key) return &tool;
    return nullptr;
}

std::vector<const ToolInfo*> MenuTools() {
    std::vector<const ToolInfo*> tools;
    for (const ToolInfo& tool : Tools())
        tools.push_back(&tool);
    std::stable_sort(tools.begin(), tools.end(), [](const ToolInfo* a, const ToolInfo* b) {
        return std::pair(a->menuGroup, a->menuOrder) < std::pair(b->menuGroup, b->menuOrder);
    });
    return tools;
}

const QStringList& ToolButtonOrder() {
    static const QStringList order = [] {
        std::vector<const ToolInfo*> tools;
        for (const ToolInfo& tool : Tools())
            tools.push_back(&tool);
        std::stable_sort(tools.begin(), tools.end(), [](const ToolInfo* a, const ToolInfo* b) {
            return a->buttonOrder < b->buttonOrder;
        });
        QStringList keys;
        for (const ToolInfo* tool : tools)
            keys << tool->key;
        return keys;
    }();
    return order;
}

bool Offered(const ToolInfo& tool) {
    return tool.edition && *tool.edition == 1;
}

Refusal CheckPreconditions(const ToolInfo& tool, const QString& selectedKey, qint32 rows, qint32 marked) {
    using Then = Refusal::Then;
    if (!tool.rootText.isEmpty() && itemlists::IsMainNode(selectedKey))
        return {Then::SelectFirstChild, tool.rootText};
    if (!tool.cdText.isEmpty() && !itemlists::IsCDNode(selectedKey))
        return {Then::SelectFirstDrive, tool.cdText};
    // The tool does not open afterwards, even when files were added.
    if (tool.addFilesWhenEmpty && rows == 0) return {Then::AddFiles, {}};
    if (!tool.markText.isEmpty() && marked == 0) return {Then::Nothing, tool.markText};
    if (!tool.fewText.isEmpty() && marked < tool.minMarked) return {Then::Nothing, tool.fewText};
    return {};
}

void FillHandOver(const ToolInfo& tool, cGrid& grid, const QString& selectedText, ToolLaunch& launch) {
    if (tool.handOver == HandOver::Nothing) return;
    launch.marked = listviews::GetMarkedCount(grid);
    launch.totalSeconds = listviews::TotalSeconds(grid, true);
    launch.totalSize = listviews::GetTotalSize(grid, true);
    launch.listName = core::MakeSafeFileName(selectedText);
    launch.selectedRow = grid.SelectedRow();
    launch.timePanelText = "Total Time: " + core::SecondsToTime(launch.totalSeconds);
    launch.sizePanelText = "Total Size: " + launch.totalSize;
    launch.allRows = tool.handOver == HandOver::AllRows;
    if (!tool.filesText.isEmpty() && tool.handOver != HandOver::SelectedItem)
        launch.filesText = tool.filesText.arg(launch.marked);
    if (tool.handOver == HandOver::SelectedItem && launch.selectedRow >= 1) {
        const qint32 row = launch.selectedRow;
        launch.filesText = tool.filesText.arg(grid.CellText(row, grid.ColumnIndex(itemlists::COL_ITEM_NAME)));
        launch.timePanelText = "Total Time: " + grid.CellText(row, grid.ColumnIndex("Time"));
        launch.sizePanelText =
            "Total Size: " + core::FormatFileSize(static_cast<qint64>(
                                 grid.CellText(row, grid.ColumnIndex("COL_BYTES_SIZE")).toDouble()));
    }
    if (tool.handOver == HandOver::DiscFill) {
        launch.discFill = toolframe::ComputeDiscFill(launch.marked, launch.totalSeconds);
        launch.filesText = launch.discFill.filesText;
    }
}

ToolOpen ToolOpenFor(const QString& key) {
    if (const auto standIn = standIns().constFind(key); standIn != standIns().constEnd())
        return standIn.value();
    const ToolInfo* tool = FindTool(key);
    return tool ? tool->open : ToolOpen();
}

void SetToolOpen(const QString& key, ToolOpen open) {
    Q_ASSERT_X(FindTool(key), "SetToolOpen", "no tool has this key");
    if (open)
        standIns().insert(key, std::move(open));
    else
        standIns().remove(key);
}

QStringList ToolsWithoutWindow() {
    QStringList keys;
    for (const ToolInfo& tool : Tools())
        if (!ToolOpenFor(tool.key)) keys << tool.key;
    return keys;
}

ToolOpen FreeDBOpen() {
    if (freeDBStandIn()) return freeDBStandIn();
    return ripping::OpenFreeDB;
}

void SetFreeDBOpen(ToolOpen open) {
    freeDBStandIn() = std::move(open);
}

ExitHooks& exitHooks() {
    static ExitHooks h;
    return h;
}

void CloseFreeDBAtExit() {
    if (exitHooks().closeFreeDB)
        exitHooks().closeFreeDB();
    else
        ripping::CloseFreeDBClient();
}

} // namespace mainwindow

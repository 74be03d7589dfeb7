#include "mainwindow/ToolsTable.h"

#include "core/ModalShow.h"
#include "core/mdlModes.h"

#include <QDialog>
#include <QHash>
#include <QWidget>

#include <cmath>

namespace mainwin {

namespace {

QString root(const char* text) {
    return QString::fromLatin1(text) + QString(40, QLatin1Char(' '));
}
QString mark(const char* text) {
    return QString::fromLatin1(text) + QString(29, QLatin1Char(' '));
}

std::vector<ToolInfo> makeTools() {
    using namespace core;
    const QString list = root("Select the Items List.");
    // clang-format off
    return {
        {"Audio Converter",     "Audio Converter",     60, &g_lAppIncConverter,    "lAppIncConverter",    "Convert",       7,  true,  list, mark("Mark the items to convert.")},
        {"MP3 CD Maker",        "MP3 CD Maker",        72, &g_lAppIncMP3Burner,    "lAppIncMP3Burner",    "Burn MP3",      72, true,  list, mark("Mark the items to burn.")},
        {"WMA CD Maker",        "WMA CD Maker",        72, &g_lAppIncWMABurner,    "lAppIncWMABurner",    "Burn WMA",      72, true,  list, mark("Mark the items to burn.")},
        {"Audio CD Duplicator", "Audio CD Duplicator", 83, &g_lAppIncDuplicator,   "lAppIncFreq",         "CD Duplicator", 83, false, {},   {}},
        {"Audio CD Ripper",     "Audio CD Ripper",     25, &g_lAppIncCDRipper,     "lAppIncCDRipper",     "CD Ripper",     25, true,  root("Select the Items List of the CD."), mark("Mark the items to rip.")},
        {"ACM Converter",       "ACM Converter",       61, &g_lAppIncACMConverter, "lAppIncACMConverter", "Converter",     61, true,  list, mark("Mark the items to convert.")},
        {"Audio Joiner",        "Audio Joiner",        64, &g_lAppIncJoin,         "lAppIncJoin",         "Join",          64, true,  list, mark("Mark the items to join.")},
        {"Audio Splitter",      "Audio Splitter",      63, &g_lAppIncSplit,        "lAppIncSplit",        "Splitter",      63, true,  list, mark("Mark the items to split.")},
        {"Audio CD Maker",      "Audio CD Maker",      73, &g_lAppIncAudioBurner,  "lAppIncAudioBurner",  "Burn",          73, true,  list, mark("Mark the items to burn.")},
        {"Audio Analyser",      "Audio Analyser",      62, &g_lAppIncEditor,       "lAppIncEditor",       "Analyser",      62, false, list, mark("Mark the item to edit.")},
        {"Audio Recorder",      "Audio Recorder",      70, &g_lAppIncMicRec,       "lAppIncMicRec",       "Recorder",      70, false, {},   {}},
        {"Text To Speech",      "Text To Speech",      82, &g_lAppIncTTS,          "lAppIncTTS",          "TTS",           82, false, {},   {}},
        {"MP3 Tags Editor",     "MP3 Tags Editor",     6,  &g_lAppIncTagsEditor,   {},                    {},              -1, false, {},   {}},
    };
    // clang-format on
}

QHash<QString, ToolHook>& hooks() {
    static QHash<QString, ToolHook> h;
    return h;
}

ToolHook& freeDBHook() {
    static ToolHook h;
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

const QStringList& ToolButtonOrder() {
    static const QStringList order{
        "Audio CD Duplicator", "Audio Converter", "ACM Converter",   "Audio Joiner",   "Audio Splitter",
        "Audio Analyser",      "Audio Recorder",  "Audio CD Ripper", "Audio CD Maker", "MP3 CD Maker",
        "WMA CD Maker",        "MP3 Tags Editor", "Text To Speech",
    };
    return order;
}

bool Offered(const ToolInfo& tool) {
    return tool.edition && *tool.edition == 1;
}

void SetToolHook(const QString& key, ToolHook hook) {
    Q_ASSERT_X(FindTool(key), "SetToolHook", "no tool has this key");
    if (hook)
        hooks().insert(key, std::move(hook));
    else
        hooks().remove(key);
}

ToolHook ToolHookFor(const QString& key) {
    return hooks().value(key);
}

QStringList UnfilledToolHooks() {
    QStringList keys;
    for (const ToolInfo& tool : Tools())
        if (!hooks().contains(tool.key)) keys << tool.key;
    return keys;
}

DiscFill ComputeDiscFill(qint32 marked, qint64 seconds) {
    DiscFill fill;
    const double quotient = static_cast<double>(seconds) / 60.0;
    // Nearest integer, an exact half to the even neighbour (150 s -> 2, 210 s -> 4).
    fill.minutes = static_cast<qint32>(std::nearbyint(quotient));
    const QString n = QString::number(marked);
    const QString m = QString::number(fill.minutes);
    fill.filesText = n + " items to burn (" + m + " minutes).";
    fill.sizePanelText = m + " Min / " + "80" + " Min.";
    fill.barValue = fill.minutes;
    // The limit is tested on the unrounded quotient: 4801 seconds are too many, 4800 are not.
    fill.tooBig = quotient > 80.0;
    if (fill.tooBig) {
        fill.barColor = 255;
        fill.dataSizeText = QStringLiteral("Data is to big (more then 80 min). Please remove some tracks.");
        fill.dataSizeBold = true;
    } else {
        fill.dataSizeText = "Data Size: " + n + " files, " + m + " Min / " + "80" + " Min.";
    }
    return fill;
}

void SetFreeDBHook(ToolHook hook) {
    freeDBHook() = std::move(hook);
}

ToolHook FreeDBHook() {
    return freeDBHook();
}

ExitHooks& exitHooks() {
    static ExitHooks h;
    return h;
}

void ShowToolModal(const ToolLaunch& launch, QDialog* window) {
    if (launch.owner) launch.owner->unsetCursor();
    if (launch.setCDPolling) launch.setCDPolling(false);
    if (window) core::ExecModal(window);
    if (launch.cdNodeSelected && launch.cdNodeSelected() && launch.setCDPolling) launch.setCDPolling(true);
    if (launch.owner) launch.owner->unsetCursor();
}

} // namespace mainwin

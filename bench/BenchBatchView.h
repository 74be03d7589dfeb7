// The batch run's window and end-of-job actions for the benchmarks, without
// widgets: rows and choices in memory, errors counted and printed.
#pragma once

#include "conversion/BatchRun.h"
#include "itemlists/ItemRows.h"
#include "settings/EncoderSettings.h"

#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QString>

#include <cstdio>

namespace bench {

// The window as the run sees it, without widgets: rows and choices in memory.
class BenchView : public conversion::BatchView {
public:
    explicit BenchView(const char* who) : m_who(who) {}
    // One whole row per source of `seconds`, titled "Item [TRACK_NUM]".
    void AddRows(const QStringList& sources, int seconds) {
        for (const QString& p : sources) {
            QHash<QString, QString> row;
            row[itemlists::COL_FILE] = p;
            row[itemlists::COL_ITEM_NAME] = QFileInfo(p).fileName();
            row[itemlists::COL_TIME] = itemlists::FormatTwoDigitTime(seconds);
            row[itemlists::COL_RANGE_ALL] = QStringLiteral("1");
            row[itemlists::COL_TAG_TITLE] = QStringLiteral("Item [TRACK_NUM]");
            rows << row;
        }
    }
    QList<QHash<QString, QString>> rows;
    QString destination;
    int errors = 0;
    qint32 current = 0, total = 0, totalMax = 0;

    qint32 RowCount() const override { return static_cast<qint32>(rows.size()); }
    QString Cell(qint32 row, const QString& key) const override { return rows.value(row - 1).value(key); }
    qint32 RowMark(qint32) const override { return itemlists::ICON_MARKED; }
    void SelectRow(qint32) override {}
    QString DestinationText() const override { return destination; }
    void SetDestinationText(const QString& text) override { destination = text; }
    void RememberDestination() override {}
    bool CreateSubFolderChecked() const override { return false; }
    QString SubFolderName() const override { return QString(); }
    bool OverwriteChecked() const override { return true; }
    QString FileNameTemplate() const override { return QStringLiteral("[file_name].[dest_extension]"); }
    QString TargetFormatText() const override { return QStringLiteral("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"); }
    bool EndEventChecked(const QString&) const override { return false; }
    void SetRunning(bool) override {}
    void SetBusyPointer(bool) override {}
    void SetCurrentTrack(const QString&) override {}
    void SetFilesToConvert(const QString&) override {}
    void SetTimeLeft(const QString&) override {}
    void SetCaption(const QString&) override {}
    void SetCurrentBar(qint32 v) override { current = v; }
    qint32 CurrentBar() const override { return current; }
    void SetTotalBarMax(qint32 m) override { totalMax = m; }
    qint32 TotalBarMax() const override { return totalMax; }
    void SetTotalBar(qint32 v) override { total = v; }
    qint32 TotalBar() const override { return total; }
    void LogLine(const QString& text) override {
        if (text.startsWith(QLatin1String("Error: "))) {
            ++errors;
            std::fprintf(stderr, "%s: %s\n", m_who, qPrintable(text));
        }
    }
    void LogRunSeparator() override {}
    void ShowLogPage() override {}

private:
    const char* m_who;
};

class NoEndActions : public conversion::EndActions {
public:
    void PlaySound(const QString&) override {}
    void OpenFolder(const QString&) override {}
    void RunNoticApp() override {}
    void TurnOffCountdown(qint32) override {}
    void Balloon(const QString&) override {}
};

// The encoder settings the MP3 benchmarks give the program, as
// TimeCliMp3Conversions gives ffmpeg: CBR 128 kbps, 44100 Hz, joint stereo,
// quality 5, no VBR tag.
inline void UseBenchMp3Settings() {
    settings::g_lMP3Bitrate = 128;
    settings::g_lMP3SampleRate = 44100;
    settings::g_lMP3Quality = 5;
    settings::g_lMP3Mode = 1; // joint stereo
    settings::g_bMP3VBRTag = false;
    settings::g_bMP3ABR = false;
}

} // namespace bench

// The batch run's rows, choices and end-of-job actions for the benchmarks,
// without widgets: a request built in memory, errors counted and printed.
#pragma once

#include "core/BatchRun.h"
#include "itemlists/BatchItems.h"
#include "itemlists/ItemRows.h"
#include "settings/EncoderSettings.h"
#include "settings/RunOutput.h"

#include <QFileInfo>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace bench {

// One whole marked row per source of `seconds`, titled "Item [TRACK_NUM]";
// outputs replace what is there, MP3 by default.
inline core::BatchRequest BenchRequest(const QStringList& sources, int seconds) {
    core::BatchRequest request;
    request.overwrite = true;
    request.fileNameTemplate = QStringLiteral("[file_name].[dest_extension]");
    for (const QString& p : sources) {
        QHash<QString, QString> row;
        row[itemlists::COL_FILE] = p;
        row[itemlists::COL_ITEM_NAME] = QFileInfo(p).fileName();
        row[itemlists::COL_TIME] = itemlists::FormatTwoDigitTime(seconds);
        row[itemlists::COL_RANGE_ALL] = QStringLiteral("1");
        row[itemlists::COL_TAG_TITLE] = QStringLiteral("Item [TRACK_NUM]");
        request.rows << itemlists::BatchItemFromCells([&row](const QString& key) { return row.value(key); },
                                                      itemlists::ICON_MARKED);
    }
    return request;
}

// Counts and prints the run's "Error: " log lines.
inline void CountErrors(core::Job& job, const char* who, int& errors) {
    QObject::connect(&job, &core::Job::LogLine, [who, &errors](const QString& text) {
        if (text.startsWith(QLatin1String("Error: "))) {
            ++errors;
            std::fprintf(stderr, "%s: %s\n", who, qPrintable(text));
        }
    });
}

// End-of-job actions that do nothing: no box is ticked.
class NoEndActions : public core::EndActions {
public:
    bool Wanted(const QString&) const override { return false; }
    void PlaySound() override {}
    void OpenFolder(const QString&) override {}
    void RunNoticApp() override {}
    void TurnOffCountdown(qint32) override {}
    void Balloon(const QString&) override {}
};

// The encoder settings the MP3 benchmarks give the program, as
// TimeCliMp3Conversions gives ffmpeg: CBR 128 kbps, 44100 Hz, joint stereo,
// quality 5, no VBR tag; and the MP3 output of a run.
inline core::RunOutput UseBenchMp3Settings() {
    settings::g_lMP3Bitrate = 128;
    settings::g_lMP3SampleRate = 44100;
    settings::g_lMP3Quality = 5;
    settings::g_lMP3Mode = 1; // joint stereo
    settings::g_bMP3VBRTag = false;
    settings::g_bMP3ABR = false;
    return settings::OutputForFormat(QStringLiteral("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"));
}

} // namespace bench

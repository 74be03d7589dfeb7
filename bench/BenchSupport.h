// What every benchmark needs: its peak memory and a tone encoded by ffmpeg.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

#include <cstdio>

namespace bench {

// The process's peak resident memory so far, in MB.
inline double MaxRssMb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;
}

// Encodes `seconds` of a 440 Hz stereo tone as a 128 kbps MP3 at `path`, with
// `extra` ffmpeg options before the output name. Reports a failure under `who`.
inline bool MakeMp3Tone(const char* who, const QString& path, int seconds, const QStringList& extra) {
    QStringList args{
        "-v",  "error", "-y",   "-f",         "lavfi", "-i",  QStringLiteral("sine=f=440:d=%1").arg(seconds),
        "-ac", "2",     "-c:a", "libmp3lame", "-b:a",  "128k"};
    args << extra << path;
    QProcess ff;
    ff.start("ffmpeg", args);
    if (!ff.waitForFinished(120000) || ff.exitStatus() != QProcess::NormalExit || ff.exitCode() != 0) {
        std::fprintf(stderr, "%s: ffmpeg could not make the tone: %s\n", who,
                     ff.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace bench

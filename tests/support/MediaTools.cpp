#include "MediaTools.h"

#include <QFile>
#include <QProcess>

namespace testsupport {

bool runFfmpeg(const QStringList& args) {
    QProcess p;
    p.start("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

double ffprobeSeconds(const QString& file) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble();
}

qint64 decodedFrames(const QString& file) {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-i", file, "-f", "s16le", "-ac", "2", "-ar", "44100", "-"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return -1;
    return p.readAllStandardOutput().size() / 4;
}

QStringList sineInput(double seconds) {
    return {"-f", "lavfi", "-i", QString("sine=frequency=440:duration=%1").arg(seconds), "-ac", "2"};
}

QByteArray wavPcm(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.readAll();
    const qsizetype at = all.indexOf("data", 12);
    return at < 0 ? QByteArray() : all.mid(at + 8);
}

} // namespace testsupport

#include "ListFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace testsupport {

bool writeSilentWav(const QString& path, double seconds) {
    const quint32 dataBytes = static_cast<quint32>(seconds * 44100) * 4;
    QByteArray header;
    auto u32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        header.append(b, 4);
    };
    auto u16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        header.append(b, 2);
    };
    header.append("RIFF");
    u32(36 + dataBytes);
    header.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    header.append("data");
    u32(dataBytes);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write(header) == header.size() && file.write(QByteArray(dataBytes, '\0')) == dataBytes;
}

bool writeMarkedList(const QString& path, const QStringList& files) {
    QByteArray text;
    for (const QString& f : files)
        text +=
            "<ITEM><Inc>1</Inc><Type>Audio</Type><Item Name>" + QFileInfo(f).fileName().toUtf8() +
            "</Item Name><COL_FILE>" + f.toUtf8() +
            "</COL_FILE><COL_RANGE_ALL>1</COL_RANGE_ALL><COL_RANGE_START_TIME></COL_RANGE_START_TIME>"
            "<COL_RANGE_LENGTH_TIME></COL_RANGE_LENGTH_TIME><COL_TAG_ALBUM></COL_TAG_ALBUM>"
            "<COL_TAG_ARTIST></COL_TAG_ARTIST><COL_TAG_COMMENT></COL_TAG_COMMENT><COL_TAG_GEN></COL_TAG_GEN>"
            "<COL_TAG_YEAR></COL_TAG_YEAR><COL_TAG_TITLE></COL_TAG_TITLE><COL_TAG_TRACK></COL_TAG_TRACK>"
            "</ITEM>\r\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write(text) == text.size();
}

QString oldRecord(const QString& inc, const QString& type, const QString& name, const QString& file,
                  const QString& all, const QString& start, const QString& length, const QString& title,
                  const QString& track) {
    return QString("<ITEM><Inc>%1</Inc><Type>%2</Type><Item Name>%3</Item Name><COL_FILE>%4</COL_FILE>"
                   "<COL_RANGE_ALL>%5</COL_RANGE_ALL><COL_RANGE_START_TIME>%6</COL_RANGE_START_TIME>"
                   "<COL_RANGE_LENGTH_TIME>%7</COL_RANGE_LENGTH_TIME><COL_TAG_ALBUM></COL_TAG_ALBUM>"
                   "<COL_TAG_ARTIST></COL_TAG_ARTIST><COL_TAG_COMMENT></COL_TAG_COMMENT><COL_TAG_GEN></"
                   "COL_TAG_GEN>"
                   "<COL_TAG_YEAR></COL_TAG_YEAR><COL_TAG_TITLE>%8</COL_TAG_TITLE><COL_TAG_TRACK>%9</"
                   "COL_TAG_TRACK>"
                   "</ITEM>")
        .arg(inc, type, name, file, all, start, length, title, track);
}

} // namespace testsupport

// Checks of converted files with tools we did not write: ffprobe for the
// format, mutagen for the tags.
#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QString>

#include <vector>

namespace convtest {

struct Probe {
    QString container; // ffprobe's format_name
    QString codec;
    int rate = 0;
    int channels = 0;
    double seconds = 0;
    bool ok = false;
};

inline Probe probe(const QString& file) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries",
                        "format=format_name,duration:stream=codec_name,codec_type,sample_rate,channels",
                        "-of", "json", file});
    Probe r;
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return r;
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const QJsonObject format = root.value("format").toObject();
    r.container = format.value("format_name").toString();
    r.seconds = format.value("duration").toString().toDouble();
    for (const QJsonValue& v : root.value("streams").toArray()) {
        const QJsonObject st = v.toObject();
        if (st.value("codec_type").toString() != "audio") continue;
        r.codec = st.value("codec_name").toString();
        r.rate = st.value("sample_rate").toString().toInt();
        r.channels = st.value("channels").toInt();
        r.ok = true;
        break;
    }
    return r;
}

// The seven tags as mutagen reads them, under the names title, artist, album,
// year, track, genre, comment; "v1:" names hold an MP3's ID3v1 tag, "id3v2"
// its ID3v2 version ("2.3").
inline QMap<QString, QString> mutagenTags(const QString& file) {
    static const char* script = R"PY(
import json, sys, mutagen
from mutagen.id3 import ID3
path = sys.argv[1]
out = {}
f = mutagen.File(path)
def first(v):
    if isinstance(v, list): v = v[0] if v else ''
    return str(v)
if f is not None and f.tags is not None:
    t = f.tags
    if isinstance(t, ID3):
        names = {'TIT2': 'title', 'TPE1': 'artist', 'TALB': 'album', 'TYER': 'year', 'TDRC': 'year',
                 'TRCK': 'track', 'TCON': 'genre'}
        for k, n in names.items():
            if k in t: out[n] = str(t[k].text[0])
        for c in t.getall('COMM'):
            out['comment'] = str(c.text[0])
        out['id3v2'] = '%d.%d' % t.version[:2]
    elif type(f).__name__ == 'ASF':
        names = {'Title': 'title', 'Author': 'artist', 'WM/AlbumTitle': 'album', 'WM/Year': 'year',
                 'WM/TrackNumber': 'track', 'WM/Genre': 'genre', 'Description': 'comment'}
        for k, n in names.items():
            if k in t: out[n] = first(t[k])
    else:
        names = {'title': 'title', 'artist': 'artist', 'album': 'album', 'date': 'year',
                 'tracknumber': 'track', 'genre': 'genre', 'description': 'comment', 'comment': 'comment'}
        for k, n in names.items():
            if k in t: out[n] = first(t[k])
with open(path, 'rb') as fh:
    fh.seek(0, 2)
    if fh.tell() >= 128:
        fh.seek(-128, 2)
        b = fh.read(128)
        if b[:3] == b'TAG':
            out['v1:title'] = b[3:33].rstrip(b'\0 ').decode('latin-1')
            out['v1:artist'] = b[33:63].rstrip(b'\0 ').decode('latin-1')
            out['v1:comment'] = b[97:125].rstrip(b'\0 ').decode('latin-1')
            out['v1:track'] = str(b[126]) if b[125] == 0 else ''
            out['v1:genre'] = str(b[127])
print(json.dumps(out))
)PY";
    QProcess p;
    p.start("/usr/bin/python3", {"-c", script, file});
    QMap<QString, QString> r;
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return r;
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    for (auto it = o.begin(); it != o.end(); ++it)
        r.insert(it.key(), it.value().toString());
    return r;
}

// One MPEG audio frame of an MP3 file, as its header tells.
struct Mp3Frame {
    int kbps = 0;
    int rate = 0;
    int channelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crc = false;
    bool copyright = false;
    bool original = false;
    QByteArray data; // the whole frame
};

// The frames of an MP3 file from the end of its ID3v2 tag on, up to the first
// bytes that are no frame (an ID3v1 tag or the end).
inline std::vector<Mp3Frame> mp3Frames(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = f.readAll();
    qsizetype pos = 0;
    if (data.startsWith("ID3") && data.size() > 10)
        pos = 10 + ((uchar(data[6]) << 21) | (uchar(data[7]) << 14) | (uchar(data[8]) << 7) | uchar(data[9]));
    static const int v1Rates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int v2Rates[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[4] = {44100, 48000, 32000, 0};
    std::vector<Mp3Frame> frames;
    while (pos + 4 <= data.size()) {
        const uchar* p = reinterpret_cast<const uchar*>(data.constData() + pos);
        if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0 || ((p[1] >> 1) & 3) != 1) break; // layer 3 only
        const int version = (p[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
        if (version == 1) break;
        Mp3Frame fr;
        fr.kbps = (version == 3 ? v1Rates : v2Rates)[p[2] >> 4];
        fr.rate = rates[(p[2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
        if (!fr.kbps || !fr.rate) break;
        const int length = (version == 3 ? 144 : 72) * fr.kbps * 1000 / fr.rate + ((p[2] >> 1) & 1);
        if (pos + length > data.size()) break;
        fr.crc = !(p[1] & 1);
        fr.channelMode = p[3] >> 6;
        fr.copyright = p[3] & 0x08;
        fr.original = p[3] & 0x04;
        fr.data = data.mid(pos, length);
        frames.push_back(fr);
        pos += length;
    }
    return frames;
}

} // namespace convtest

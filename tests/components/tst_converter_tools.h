// Checks of converted files with tools we did not write: ffprobe for the
// format, mutagen for the tags.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QString>

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
// year, track, genre, comment; "v1:" names hold an MP3's ID3v1 tag.
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

} // namespace convtest

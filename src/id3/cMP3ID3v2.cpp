#include "id3/cMP3ID3v2.h"

#include "id3/ID3GenreNames.h"
#include "id3/ID3v2Format.h"
#include "id3/PartialFiles.h"
#include "id3/TagError.h"
#include "id3/TagFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace id3 {

using namespace v2;

namespace {

constexpr const char* kClass = "cMP3ID3v2";

TagError StoreError(qint32 number, const QString& text) {
    return TagError(number, TagErrorSource(kClass), text);
}

TagError CannotRewrite(const QString& text) {
    return TagError(kErrCannotRewrite, TagErrorSource(kClass),
                    text + QStringLiteral(" The file was left unchanged."));
}

// The room of a tag header at the start of a file (header, frames, padding and
// a v2.4 footer); 0 when the ten bytes are no usable header or the tag does
// not lie inside the file.
qint64 ValidRegion(const QByteArray& h, qint64 fileSize) {
    if (h.size() < 10 || !h.startsWith("ID3")) return 0;
    const quint8 version = quint8(h.at(3));
    if (version < 2 || version > 4 || !IsSynchsafe(h.constData() + 6)) return 0;
    qint64 region = 10 + qint64(DecodeSynchsafe(h.constData() + 6));
    if (version == 4 && (quint8(h.at(5)) & 0x10)) region += 10;
    return region <= fileSize ? region : 0;
}

bool IsTextId(const QString& id) {
    return id.startsWith(QLatin1Char('T')) && id != QLatin1String("TXXX");
}
bool IsUrlId(const QString& id) {
    return id.startsWith(QLatin1Char('W')) && id != QLatin1String("WXXX");
}

// Removes a file when it goes out of scope unless released.
class TempFileGuard {
public:
    TempFileGuard(int fd, QByteArray path) : m_fd(fd), m_path(std::move(path)) {}
    ~TempFileGuard() {
        const int saved = errno;
        if (m_fd >= 0) ::close(m_fd);
        if (!m_path.isEmpty()) ::unlink(m_path.constData());
        errno = saved;
    }
    int fd() const { return m_fd; }
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    void release() { m_path.clear(); }

private:
    int m_fd;
    QByteArray m_path;
};

// The tag bytes filling a room of `room` bytes: its size field set, zeros after it.
QByteArray InRoom(QByteArray tag, qint64 room, const QString& file) {
    if (room - 10 > qint64(kMaxSynchsafe))
        throw CannotRewrite(QStringLiteral("%1: the ID3v2 tag would be too large.").arg(file));
    const qint64 length = tag.size();
    tag.replace(6, 4, EncodeSynchsafe(quint32(room - 10)));
    tag.append(QByteArray(room - length, '\0'));
    return tag;
}

bool WriteAll(int fd, const char* data, qint64 count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, size_t(count));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        count -= n;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------- frame store

void cMP3ID3v2::RequireStore() const {
    if (!m_bHasStore)
        throw StoreError(kErrNoObject, QStringLiteral("Object variable not set: no file was read."));
}

int cMP3ID3v2::FindGroup(const QString& id) const {
    return m_index.value(id.toUpper(), -1);
}

void cMP3ID3v2::EraseGroup(int g) {
    m_frames.erase(m_frames.begin() + g);
    m_index.clear();
    for (size_t i = 0; i < m_frames.size(); ++i)
        m_index.insert(m_frames[i].id.toUpper(), int(i));
}

void cMP3ID3v2::AddFrame(const QString& id, const QByteArray& body) {
    const int g = FindGroup(id);
    if (g >= 0) {
        m_frames[size_t(g)].items.push_back(FrameData{0, body});
    } else {
        m_index.insert(id.toUpper(), int(m_frames.size()));
        m_frames.push_back(Group{id, {FrameData{0, body}}});
    }
}

qint32 cMP3ID3v2::FrameCount() const {
    RequireStore();
    return qint32(m_frames.size());
}

QString cMP3ID3v2::Frame(qint32 index) const {
    RequireStore();
    if (index < 1 || index > qint32(m_frames.size()))
        throw StoreError(kErrOutOfRange, QStringLiteral("Subscript out of range"));
    return m_frames[size_t(index - 1)].id;
}

void cMP3ID3v2::RemoveFrame(const QString& frame) {
    RequireStore();
    const int g = FindGroup(frame);
    if (g < 0) throw StoreError(kErrInvalidCall, QStringLiteral("Invalid procedure call or argument"));
    EraseGroup(g);
}

qint32 cMP3ID3v2::TagsInFrame(const QString& frame) const {
    const int g = FindGroup(frame);
    return g < 0 ? 0 : qint32(m_frames[size_t(g)].items.size());
}

void cMP3ID3v2::AddTag(const QString& sFrame, const QString& sTag) {
    RequireStore();
    QByteArray body;
    if (sFrame.compare(QLatin1String("PCNT"), Qt::CaseInsensitive) == 0)
        body = EncodeCounter(sTag);
    else if (sFrame.compare(QLatin1String("WXXX"), Qt::CaseInsensitive) == 0)
        body = MakeUserUrlBody(sTag);
    else if (IsUrlId(sFrame.toUpper()))
        body = EncodeUrl(sTag);
    else if (sFrame.compare(QLatin1String("COMM"), Qt::CaseInsensitive) == 0 ||
             sFrame.compare(QLatin1String("USLT"), Qt::CaseInsensitive) == 0)
        body = MakeLangTextBody("eng", QString(), sTag);
    else
        body = MakeTextBody(sTag);
    AddFrame(sFrame, body);
}

void cMP3ID3v2::RemoveTag(const QString& sFrame, qint32 tagIndex) {
    RequireStore();
    const int g = FindGroup(sFrame);
    if (g < 0 || tagIndex < 1 || tagIndex > qint32(m_frames[size_t(g)].items.size()))
        throw StoreError(kErrInvalidCall, QStringLiteral("Invalid procedure call or argument"));
    auto& items = m_frames[size_t(g)].items;
    items.erase(items.begin() + (tagIndex - 1));
    if (items.empty()) EraseGroup(g);
}

cMP3ID3v2::FrameData cMP3ID3v2::GetFrameData(const QString& frame, qint32 n) const {
    RequireStore();
    const int g = FindGroup(frame);
    if (g < 0 || n < 1 || n > qint32(m_frames[size_t(g)].items.size()))
        throw StoreError(kErrInvalidCall, QStringLiteral("Invalid procedure call or argument"));
    return m_frames[size_t(g)].items[size_t(n - 1)];
}

QString cMP3ID3v2::GetFrameValue(const QString& frame, qint32 n) const {
    const FrameData f = GetFrameData(frame, n);
    return ValueOf(m_frames[size_t(FindGroup(frame))].id.toUpper(), f);
}

// The body without what its flags put around the content; a null array for a
// compressed or encrypted frame, whose content is not shown.
QByteArray cMP3ID3v2::PlainBody(const FrameData& f) const {
    QByteArray b = f.body;
    if (f.flags == 0) return b;
    if (m_bTagVersion == 4) {
        if (f.flags & 0x000C) return QByteArray();
        if (f.flags & 0x0002) b = RemoveUnsync(std::move(b));
        qsizetype skip = 0;
        if (f.flags & 0x0040) skip += 1;
        if (f.flags & 0x0001) skip += 4;
        return skip >= b.size() ? QByteArray("") : b.mid(skip);
    }
    if (m_bTagVersion == 3) {
        if (f.flags & 0x00C0) return QByteArray();
        if (f.flags & 0x0020) return b.size() <= 1 ? QByteArray("") : b.mid(1);
    }
    return b;
}

QString cMP3ID3v2::ValueOf(const QString& id, const FrameData& f) const {
    const QByteArray body = PlainBody(f);
    if (body.isNull()) return QString();
    if (id == QLatin1String("PCNT")) return DecodeCounter(body);
    if (id == QLatin1String("COMM") || id == QLatin1String("USLT")) {
        LangTextFrame t;
        ParseLangText(body, t);
        return t.text;
    }
    if (id == QLatin1String("WXXX")) {
        QString desc, url;
        ParseUserUrl(body, desc, url);
        return url;
    }
    if (IsUrlId(id)) return DecodeUrl(body);
    if (IsTextId(id)) return DecodeTextBody(body);
    if (id == QLatin1String("TXXX") && !body.isEmpty()) {
        const quint8 enc = quint8(body.at(0)) > 3 ? 0 : quint8(body.at(0));
        const qsizetype term = FindTerminator(enc, body, 1);
        return term < 0 ? QString() : DecodeString(enc, body.mid(term + TerminatorLength(enc)));
    }
    QString s;
    for (char c : body)
        if (c != '\0') s.append(QChar(quint8(c)));
    return s;
}

// ----------------------------------------------------------------- properties

void cMP3ID3v2::SetTextFrame(const char* id, QString& field, const QString& value) {
    if (value == field) return; // unchanged: the frame keeps its bytes
    field = value;
    RequireStore();
    const int g = FindGroup(QLatin1String(id));
    if (g >= 0) EraseGroup(g);
    if (!value.isEmpty()) AddFrame(QLatin1String(id), MakeTextBody(value));
}

void cMP3ID3v2::SetUrlFrame(const char* id, QString& field, const QString& value) {
    if (value == field) return;
    field = value;
    RequireStore();
    const int g = FindGroup(QLatin1String(id));
    if (g >= 0) EraseGroup(g);
    if (!value.isEmpty()) AddFrame(QLatin1String(id), EncodeUrl(value));
}

// COMM, USLT and WXXX: the first instance with an empty description is the
// one the properties show and edit; the others stay as they are.
void cMP3ID3v2::SetDescribedFrame(const char* id, QString& field, const QString& value) {
    if (value == field) return;
    field = value;
    RequireStore();
    const bool isUrl = qstrcmp(id, "WXXX") == 0;
    const int g = FindGroup(QLatin1String(id));
    if (g >= 0) {
        auto& items = m_frames[size_t(g)].items;
        for (size_t i = 0; i < items.size(); ++i) {
            const QByteArray plain = PlainBody(items[i]);
            if (plain.isNull()) continue;
            QByteArray language;
            bool described = false;
            if (isUrl) {
                QString desc, url;
                ParseUserUrl(plain, desc, url);
                described = !desc.isEmpty();
            } else {
                LangTextFrame t;
                ParseLangText(plain, t);
                described = !t.description.isEmpty();
                language = t.language;
            }
            if (described) continue;
            if (value.isEmpty()) {
                items.erase(items.begin() + qsizetype(i));
                if (items.empty()) EraseGroup(g);
            } else {
                if (language.isEmpty() || language.contains('\0')) language = "eng";
                items[i] = FrameData{0, isUrl ? MakeUserUrlBody(value)
                                              : MakeLangTextBody(language, QString(), value)};
            }
            return;
        }
    }
    if (!value.isEmpty())
        AddFrame(QLatin1String(id),
                 isUrl ? MakeUserUrlBody(value) : MakeLangTextBody("eng", QString(), value));
}

void cMP3ID3v2::WriteGenreFrame() {
    RequireStore();
    const int g = FindGroup(QStringLiteral("TCON"));
    if (g >= 0) EraseGroup(g);
    // 255 is no genre: other taggers would show a written "(255)" as "Unknown".
    const QString code =
        m_bGenre == 255 ? QString() : QLatin1Char('(') + QString::number(m_bGenre) + QLatin1Char(')');
    if (code.isEmpty() && m_sOtherGenreName.isEmpty()) return;
    AddFrame(QStringLiteral("TCON"), MakeTextBody(code + m_sOtherGenreName));
}

void cMP3ID3v2::setArtistURL(const QString& v) {
    SetUrlFrame("WOAR", m_sArtistURL, v);
}
void cMP3ID3v2::setBuyURL(const QString& v) {
    SetUrlFrame("WCOM", m_sBuyURL, v);
}
void cMP3ID3v2::setAudioURL(const QString& v) {
    SetUrlFrame("WOAF", m_sAudioURL, v);
}
void cMP3ID3v2::setCopyright(const QString& v) {
    SetTextFrame("TCOP", m_sCopyright, v);
}
void cMP3ID3v2::setComposer(const QString& v) {
    SetTextFrame("TCOM", m_sComposer, v);
}
void cMP3ID3v2::setOriginalArtist(const QString& v) {
    SetTextFrame("TOPE", m_sOriginalArtist, v);
}
void cMP3ID3v2::setLinkTo(const QString& v) {
    SetDescribedFrame("WXXX", m_sLinkTo, v);
}
void cMP3ID3v2::setEncodedBy(const QString& v) {
    SetTextFrame("TENC", m_sEncodedBy, v);
}
void cMP3ID3v2::setTitle(const QString& v) {
    SetTextFrame("TIT2", m_sTitle, v);
}
void cMP3ID3v2::setArtist(const QString& v) {
    SetTextFrame("TPE1", m_sArtist, v);
}
void cMP3ID3v2::setAlbum(const QString& v) {
    SetTextFrame("TALB", m_sAlbum, v);
}
void cMP3ID3v2::setComment(const QString& v) {
    SetDescribedFrame("COMM", m_sComment, v);
}
void cMP3ID3v2::setLyrics(const QString& v) {
    SetDescribedFrame("USLT", m_sLyrics, v);
}
void cMP3ID3v2::setTrack(const QString& v) {
    SetTextFrame("TRCK", m_sTrack, v);
}

void cMP3ID3v2::setYear(const QString& v) {
    if (v == m_sYear) return;
    m_sYear = v;
    RequireStore();
    // Both year frames go, so the value read back is the one set.
    for (const char* id : {"TYER", "TDRC"}) {
        const int g = FindGroup(QLatin1String(id));
        if (g >= 0) EraseGroup(g);
    }
    if (!v.isEmpty()) AddFrame(QLatin1String(OutputVersion() == 4 ? "TDRC" : "TYER"), MakeTextBody(v));
}

void cMP3ID3v2::setPlayCounter(const QString& v) {
    if (v == m_sPlayCounter) return;
    m_sPlayCounter = v;
    RequireStore();
    const int g = FindGroup(QStringLiteral("PCNT"));
    if (g >= 0) EraseGroup(g);
    if (!v.isEmpty()) AddFrame(QStringLiteral("PCNT"), EncodeCounter(v));
}

void cMP3ID3v2::setGenre(quint8 v) {
    if (v == m_bGenre && FindGroup(QStringLiteral("TCON")) >= 0) return;
    m_bGenre = v;
    WriteGenreFrame();
}

void cMP3ID3v2::setOtherGenreName(const QString& v) {
    if (v == m_sOtherGenreName && FindGroup(QStringLiteral("TCON")) >= 0) return;
    m_sOtherGenreName = v;
    WriteGenreFrame();
}

QString cMP3ID3v2::GenreName(quint8 genre) const {
    return ID3GenreNames(genre);
}

// --------------------------------------------------------------------- reader

void cMP3ID3v2::ResetState() {
    m_frames.clear();
    m_index.clear();
    m_bHasStore = true;
    m_lTagPos = 0;
    m_bTagVersion = 0;
    for (QString* s : {&m_sTitle, &m_sArtist, &m_sAlbum, &m_sYear, &m_sComment, &m_sTrack, &m_sPlayCounter,
                       &m_sEncodedBy, &m_sOtherGenreName, &m_sLinkTo, &m_sOriginalArtist, &m_sComposer,
                       &m_sCopyright, &m_sAudioURL, &m_sBuyURL, &m_sArtistURL, &m_sLyrics})
        s->clear();
    m_bGenre = 255;
    m_sCannotRewrite.clear();
    m_bTagUnsync = false;
    m_genres.clear();
    m_dropped.clear();
}

void cMP3ID3v2::setMP3File(const QString& path) {
    m_sFile = path;
    ReadID3v2Tag();
}

void cMP3ID3v2::ReadID3v2Tag() {
    ResetState();
    TagFile file;
    if (!file.OpenRead(m_sFile)) throw FileError(errno, kClass);
    const qint64 size = file.Size();
    if (size < 0) throw FileError(errno, kClass);
    QByteArray header;
    if (!file.ReadAt(0, 10, header)) throw FileError(errno, kClass);
    const qint64 region = ValidRegion(header, size);
    if (region == 0) return;
    // The tag lies inside the file, so nothing read here is larger than the file.
    QByteArray data;
    if (!file.ReadAt(10, DecodeSynchsafe(header.constData() + 6), data)) throw FileError(errno, kClass);
    ParseTag(header, std::move(data));
}

void cMP3ID3v2::ReadFromBytes(const QByteArray& fileBytes) {
    ResetState();
    const QByteArray header = fileBytes.left(10);
    if (ValidRegion(header, fileBytes.size()) == 0) return;
    ParseTag(header, fileBytes.mid(10, DecodeSynchsafe(header.constData() + 6)));
}

void cMP3ID3v2::ParseTag(const QByteArray& header, QByteArray raw) {
    const quint8 version = quint8(header.at(3));
    const quint8 flags = quint8(header.at(5));
    m_lTagPos = 4;
    m_bTagVersion = version;

    QByteArray d = std::move(raw);
    qsizetype pos = 0;
    bool damaged = false;
    if (version == 2) {
        if (flags & 0x40) {
            m_sCannotRewrite =
                QStringLiteral("Its ID3v2.2 tag is compressed and cannot be read or rewritten.");
            return;
        }
        if (flags & 0x80) d = RemoveUnsync(std::move(d));
    } else {
        if (version == 3 && (flags & 0x80)) d = RemoveUnsync(std::move(d));
        if (version == 4) m_bTagUnsync = flags & 0x80;
        // The extended header is skipped by its size, whatever flags it holds.
        // Some taggers set its flag without writing one: a frame id where its
        // size would be means there is none.
        if ((flags & 0x40) && !(d.size() >= 4 && IsValidFrameId(d.left(4)))) {
            qint64 ext = -1;
            if (version == 3 && d.size() >= 4)
                ext = 4 + qint64(DecodeBE(d.constData(), 4));
            else if (version == 4 && d.size() >= 4 && IsSynchsafe(d.constData()))
                ext = qint64(DecodeSynchsafe(d.constData()));
            if (ext < 6 || ext > d.size()) {
                m_sCannotRewrite = QStringLiteral(
                    "The extended header of its ID3v2 tag runs past the end of the tag, so the tag cannot "
                    "be read or rewritten.");
                return;
            }
            pos = ext;
        }
    }

    const int headerSize = version == 2 ? 6 : 10;
    const int idSize = version == 2 ? 3 : 4;
    while (!damaged && pos < d.size()) {
        if (d.at(pos) == '\0') break; // padding
        if (d.size() - pos < headerSize) {
            damaged = true;
            break;
        }
        const char* p = d.constData() + pos;
        const QByteArray id(p, idSize);
        if (!IsValidFrameId(id)) {
            damaged = true;
            break;
        }
        qint64 size;
        quint16 frameFlags = 0;
        if (version == 2)
            size = DecodeBE(p + 3, 3);
        else if (version == 3)
            size = DecodeBE(p + 4, 4);
        else
            size = IsSynchsafe(p + 4) ? DecodeSynchsafe(p + 4) : DecodeBE(p + 4, 4);
        if (version != 2) frameFlags = quint16(DecodeBE(p + 8, 2));
        pos += headerSize;
        if (size > d.size() - pos) {
            damaged = true;
            break;
        }
        QByteArray body = d.mid(pos, size);
        pos += size;
        if (version == 2) {
            const QByteArray mapped = MapV22FrameID(id);
            if (mapped.isEmpty()) {
                if (!m_dropped.contains(QString::fromLatin1(id))) m_dropped << QString::fromLatin1(id);
                continue;
            }
            StoreFrame(mapped, 0, id == "PIC" ? PictureBodyV23(body) : body);
        } else {
            // A v2.4 tag marked unsynchronised as a whole: frames that do not say
            // so themselves are kept plain, as they will be written.
            if (version == 4 && m_bTagUnsync && !(frameFlags & 0x0002)) body = RemoveUnsync(std::move(body));
            StoreFrame(id, frameFlags, body);
        }
    }
    if (damaged)
        m_sCannotRewrite =
            QStringLiteral("Its ID3v2 tag is damaged, and rewriting it would lose the part that "
                           "cannot be read.");
    SetPropertiesFromStore();
}

void cMP3ID3v2::StoreFrame(const QByteArray& id, quint16 flags, const QByteArray& body) {
    const QString key = QString::fromLatin1(id);
    const int g = FindGroup(key);
    if (g >= 0) {
        m_frames[size_t(g)].items.push_back(FrameData{flags, body});
    } else {
        m_index.insert(key.toUpper(), int(m_frames.size()));
        m_frames.push_back(Group{key, {FrameData{flags, body}}});
    }
}

void cMP3ID3v2::SetPropertiesFromStore() {
    bool haveComment = false, haveLyrics = false, haveLink = false;
    QString tyer, tdrc;
    for (const Group& g : m_frames) {
        const QString& id = g.id;
        // A frame given twice shows its first instance, as the common readers
        // show it; every instance stays in the store.
        QByteArray first;
        for (const FrameData& f : g.items) {
            first = PlainBody(f);
            if (!first.isNull()) break;
        }
        if (id == QLatin1String("WXXX") || id == QLatin1String("COMM") || id == QLatin1String("USLT")) {
            // The first instance without a description.
            for (const FrameData& f : g.items) {
                const QByteArray body = PlainBody(f);
                if (body.isNull()) continue;
                if (id == QLatin1String("WXXX")) {
                    QString desc, url;
                    if (!haveLink && ParseUserUrl(body, desc, url) && desc.isEmpty()) {
                        m_sLinkTo = url;
                        haveLink = true;
                    }
                } else {
                    const bool comm = id == QLatin1String("COMM");
                    bool& have = comm ? haveComment : haveLyrics;
                    LangTextFrame t;
                    if (!have && ParseLangText(body, t) && t.description.isEmpty()) {
                        (comm ? m_sComment : m_sLyrics) = t.text;
                        have = true;
                    }
                }
            }
            continue;
        }
        if (first.isNull()) continue;
        if (id == QLatin1String("PCNT"))
            m_sPlayCounter = DecodeCounter(first);
        else if (id == QLatin1String("TCON")) {
            const GenreValue gv = ParseGenre(DecodeTextValues(first).join(QChar(0)));
            if (gv.hasCode) m_bGenre = gv.code;
            m_sOtherGenreName = gv.other;
            m_genres = gv.names;
        } else if (id == QLatin1String("WOAF"))
            m_sAudioURL = DecodeUrl(first);
        else if (id == QLatin1String("WOAR"))
            m_sArtistURL = DecodeUrl(first);
        else if (id == QLatin1String("WCOM"))
            m_sBuyURL = DecodeUrl(first);
        else {
            static const struct {
                const char* id;
                QString cMP3ID3v2::*field;
            } kText[] = {{"TRCK", &cMP3ID3v2::m_sTrack},     {"TENC", &cMP3ID3v2::m_sEncodedBy},
                         {"TCOP", &cMP3ID3v2::m_sCopyright}, {"TOPE", &cMP3ID3v2::m_sOriginalArtist},
                         {"TCOM", &cMP3ID3v2::m_sComposer},  {"TIT2", &cMP3ID3v2::m_sTitle},
                         {"TPE1", &cMP3ID3v2::m_sArtist},    {"TALB", &cMP3ID3v2::m_sAlbum}};
            if (id == QLatin1String("TYER"))
                tyer = DecodeTextBody(first);
            else if (id == QLatin1String("TDRC"))
                tdrc = DecodeTextBody(first);
            else
                for (const auto& t : kText)
                    if (id == QLatin1String(t.id)) {
                        this->*t.field = DecodeTextBody(first);
                        break;
                    }
        }
    }
    m_sYear = tyer.isEmpty() ? tdrc : tyer;
}

// --------------------------------------------------------------------- writer

QByteArray cMP3ID3v2::RenderTag() const {
    RequireStore();
    const quint8 version = OutputVersion();
    QByteArray out("ID3");
    out.append(char(version)).append('\0').append('\0').append(4, '\0');
    for (const Group& g : m_frames) {
        if (g.id.contains(QLatin1String("ID3"))) continue;
        if (g.id.size() < 4)
            throw StoreError(
                kErrInvalidCall,
                QStringLiteral("Invalid procedure call or argument: the frame id \"%1\" is shorter than "
                               "four characters.")
                    .arg(g.id));
        QByteArray id = g.id.left(4).toLatin1();
        for (const FrameData& f : g.items) {
            if (quint64(f.body.size()) > kMaxSynchsafe)
                throw CannotRewrite(QStringLiteral("%1: the ID3v2 tag would be too large.").arg(m_sFile));
            out += id;
            out +=
                version == 4 ? EncodeSynchsafe(quint32(f.body.size())) : EncodeBE32(quint32(f.body.size()));
            out.append(char(f.flags >> 8)).append(char(f.flags & 0xFF));
            out += f.body;
            if (quint64(out.size()) > kMaxSynchsafe)
                throw CannotRewrite(QStringLiteral("%1: the ID3v2 tag would be too large.").arg(m_sFile));
        }
    }
    out.append(4, '\0');
    return out;
}

void cMP3ID3v2::NewTag() {
    m_sFile.clear();
    ResetState();
}

QByteArray cMP3ID3v2::RenderTagInRoom() const {
    const QByteArray tag = RenderTag();
    return InRoom(tag, TagRoom(tag.size()), m_sFile);
}

qint64 cMP3ID3v2::OldRegion(TagFile& file) const {
    const qint64 size = file.Size();
    if (size < 0) throw FileError(errno, kClass);
    QByteArray header;
    if (!file.ReadAt(0, 10, header)) throw FileError(errno, kClass);
    if (!header.startsWith("ID3")) return 0;
    const qint64 region = ValidRegion(header, size);
    if (region == 0)
        throw CannotRewrite(
            QStringLiteral("%1 begins with an ID3v2 tag header that this program cannot read "
                           "(an unknown version, a damaged size, or a tag longer than the file).")
                .arg(m_sFile));
    return region;
}

void cMP3ID3v2::CheckUpdate() const {
    const QByteArray tag = RenderTag();
    if (!m_sCannotRewrite.isEmpty()) throw CannotRewrite(m_sFile + QStringLiteral(": ") + m_sCannotRewrite);
    TagFile file;
    if (!file.OpenReadWrite(m_sFile)) throw FileError(errno, kClass);
    const qint64 old = OldRegion(file);
    const qint64 room = old > 0 && tag.size() < old ? old : TagRoom(tag.size());
    if (room - 10 > qint64(kMaxSynchsafe))
        throw CannotRewrite(QStringLiteral("%1: the ID3v2 tag would be too large.").arg(m_sFile));
}

void cMP3ID3v2::Update() {
    WriteID3v2Tag();
}

void cMP3ID3v2::WriteID3v2Tag() {
    QByteArray tag = RenderTag();
    if (!m_sCannotRewrite.isEmpty()) throw CannotRewrite(m_sFile + QStringLiteral(": ") + m_sCannotRewrite);
    TagFile file;
    if (!file.OpenReadWrite(m_sFile)) throw FileError(errno, kClass);
    const qint64 size = file.Size();
    const qint64 old = OldRegion(file);
    const qint64 length = tag.size();

    if (old > 0 && length < old) {
        // In place: the new tag, then zeros to the end of the old room.
        tag = InRoom(tag, old, m_sFile);
        if (!file.WriteAt(0, tag) || !file.Sync()) throw FileError(errno, kClass);
        return;
    }

    tag = InRoom(tag, TagRoom(length), m_sFile);

    // The file is built anew beside itself and renamed over it, so a failure
    // at any point leaves the original as it was.
    QFileInfo info(m_sFile);
    const QString target =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QFileInfo targetInfo(target);
    // A partial file a killed rewrite leaves is removed by the next one in the folder.
    QString partialPath;
    int partialError = 0;
    const int fd =
        CreatePartialFile(targetInfo.absolutePath(), targetInfo.fileName(), &partialPath, &partialError);
    if (fd < 0) throw FileError(partialError, kClass);
    const QByteArray tmpl = QFile::encodeName(partialPath);
    TempFileGuard temp(fd, tmpl);

    struct stat st {};
    if (::fstat(file.Fd(), &st) == 0) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only the owner's own files can be given away; keeping ours is fine.
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0) throw FileError(errno, kClass);
    }
    if (!WriteAll(fd, tag.constData(), tag.size())) throw FileError(errno, kClass);
    constexpr qint64 kBlock = 1 << 20;
    QByteArray block;
    qint64 at = old;
    while (at < size) {
        if (!file.ReadAt(at, std::min(kBlock, size - at), block)) throw FileError(errno, kClass);
        if (block.isEmpty()) throw FileError(EIO, kClass); // the file shrank under us
        if (!WriteAll(fd, block.constData(), block.size())) throw FileError(errno, kClass);
        at += block.size();
    }
    if (::fsync(fd) != 0) throw FileError(errno, kClass);
    // Renamed while still open: its lock keeps a sweep off it until then.
    if (::rename(tmpl.constData(), QFile::encodeName(target).constData()) != 0)
        throw FileError(errno, kClass);
    temp.release();
    temp.close(); // already synced: nothing is left to fail
    const int dirFd =
        ::open(QFile::encodeName(targetInfo.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace id3

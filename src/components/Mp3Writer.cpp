#include "components/Mp3Writer.h"

#include "components/AudioEncoder.h"
#include "components/LameLibrary.h"
#include "components/OutputFiles.h"
#include "id3/ID3GenreNames.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v1.h"
#include "id3/cMP3ID3v2.h"

#include <algorithm>

namespace components {

namespace {

// The bit-rate list of the MP3 settings, by position.
constexpr int kListBitrates[] = {8,   16,  24,  32,  40,  48,  56,  64,  80, 96,
                                 112, 128, 144, 160, 176, 192, 224, 256, 320};
constexpr int kListSize = int(sizeof kListBitrates / sizeof kListBitrates[0]);

bool AllEmpty(const EncoderTags& t) {
    for (const QString* s : {&t.Title, &t.Artist, &t.Album, &t.Year, &t.Track, &t.Genre, &t.Comment})
        if (!s->trimmed().isEmpty()) return false;
    return true;
}

// The two tags of a new MP3 file, made by the tag classes the tag editor
// uses: the ID3v2 tag in its room for the start of the file and the ID3v1
// record for its end; both empty when every tag is. A genre of the genre
// list is written with the list's name and code, any other as it is.
void RenderTags(const EncoderTags& tags, QByteArray& v2Tag, QByteArray& v1Tag) {
    v2Tag.clear();
    v1Tag.clear();
    if (AllEmpty(tags)) return;
    const QString genreText = tags.Genre.trimmed();
    const quint8 genre = id3::ID3GenreCode(genreText);
    const QString genreName = genre == 255 ? genreText : id3::ID3GenreNames(genre);

    id3::cMP3ID3v2 v2;
    v2.NewTag();
    v2.setTitle(tags.Title.trimmed());
    v2.setArtist(tags.Artist.trimmed());
    v2.setAlbum(tags.Album.trimmed());
    v2.setYear(tags.Year.trimmed());
    v2.setTrack(tags.Track.trimmed());
    v2.setOtherGenreName(genreName);
    v2.setComment(tags.Comment.trimmed());
    v2Tag = v2.RenderTagInRoom();

    id3::cMP3ID3v1 v1;
    v1.setTitle(tags.Title.trimmed());
    v1.setArtist(tags.Artist.trimmed());
    v1.setAlbum(tags.Album.trimmed());
    v1.setYear(tags.Year.trimmed());
    v1.setComment(tags.Comment.trimmed());
    bool ok = false;
    const int track = tags.Track.trimmed().section(QLatin1Char('/'), 0, 0).toInt(&ok);
    v1.setTrack(ok && track > 0 && track < 256 ? quint8(track) : 0);
    v1.setGenre(genre);
    v1Tag = v1.RenderTag();
}

} // namespace

Mp3Writer::~Mp3Writer() {
    Close();
}

int Mp3Writer::ListBitrate(qint32 position) {
    return position >= 0 && position < kListSize ? kListBitrates[position] : 0;
}

bool Mp3Writer::CheckSettings(const tMP3Settings& m, QString* error) {
    if (m.VBRMethod == 0) return true; // the limits belong to VBR and ABR only
    const int low = ListBitrate(m.MinBitrate), high = ListBitrate(m.MaxBitrate);
    QString text;
    if (!low)
        text = QStringLiteral("The minimum VBR bit rate (list position %1) is not in the bit-rate list.")
                   .arg(m.MinBitrate);
    else if (!high)
        text = QStringLiteral("The maximum VBR bit rate (list position %1) is not in the bit-rate list.")
                   .arg(m.MaxBitrate);
    else if (low > high)
        text = QStringLiteral("The minimum VBR bit rate (%1 kbps) is above the maximum (%2 kbps).")
                   .arg(low)
                   .arg(high);
    if (text.isEmpty()) return true;
    if (error) *error = text;
    return false;
}

bool Mp3Writer::fail(Failure kind, const QString& text) {
    m_failure = kind;
    m_error = text;
    return false;
}

bool Mp3Writer::Open(const QString& path, const tMP3Settings& m, int rate, int channels,
                     const EncoderTags& tags) {
    Close();
    m_failure = Failure::None;
    m_error.clear();
    QString why;
    if (!CheckSettings(m, &why)) return fail(Failure::Settings, why);

    if (!LameLoadError().isEmpty())
        return fail(Failure::Encoder,
                    QStringLiteral("The MP3 encoder library could not be loaded (%1).").arg(LameLoadError()));
    m_lame = mp3lame().lame_init();
    if (!m_lame) return fail(Failure::Encoder, QStringLiteral("Out of memory."));
    lame_t l = m_lame;
    // The samples arrive at the output rate already: the encoder must not resample again.
    mp3lame().lame_set_in_samplerate(l, rate);
    mp3lame().lame_set_out_samplerate(l, rate);
    mp3lame().lame_set_num_channels(l, channels);
    // Mode: 0 stereo, 1 joint stereo, 2 dual channel, 3 mono, 4 not set, 5 forced joint stereo.
    MPEG_mode mode = NOT_SET;
    if (channels == 1) {
        mode = MONO;
    } else {
        switch (m.Mode) {
        case 0:
            mode = STEREO;
            break;
        case 1:
        case 5:
            mode = JOINT_STEREO;
            break;
        case 2:
            mode = DUAL_CHANNEL;
            break;
        default:
            mode = NOT_SET; // the encoder's choice
            break;
        }
    }
    mp3lame().lame_set_mode(l, mode);
    if (channels == 2 && m.Mode == 5) mp3lame().lame_set_force_ms(l, 1);
    mp3lame().lame_set_quality(l, qBound(0, m.Quality, 9));
    const int bitrate = m.Bitrate > 0 ? m.Bitrate : 128;
    const int abrBitrate = m.ABRBitrate > 0 ? m.ABRBitrate : 128;
    QString what;
    if (m.VBRMethod == 0) {
        mp3lame().lame_set_VBR(l, vbr_off);
        mp3lame().lame_set_brate(l, bitrate);
        what = QStringLiteral("%1 kbps").arg(bitrate);
    } else {
        if (m.VBRMethod == 3) {
            mp3lame().lame_set_VBR(l, vbr_abr);
            mp3lame().lame_set_VBR_mean_bitrate_kbps(l, abrBitrate);
            what = QStringLiteral("an average of %1 kbps").arg(abrBitrate);
        } else {
            mp3lame().lame_set_VBR(l, vbr_mtrh);
            mp3lame().lame_set_VBR_q(l, qBound(0, m.VBRQuality, 9));
            what = QStringLiteral("VBR quality %1").arg(qBound(0, m.VBRQuality, 9));
        }
        mp3lame().lame_set_VBR_min_bitrate_kbps(l, ListBitrate(m.MinBitrate));
        mp3lame().lame_set_VBR_max_bitrate_kbps(l, ListBitrate(m.MaxBitrate));
        mp3lame().lame_set_VBR_hard_min(l, m.VBRForceMinBitrate ? 1 : 0);
    }
    mp3lame().lame_set_error_protection(l, m.ErrorProtect ? 1 : 0);
    mp3lame().lame_set_copyright(l, m.Copyright ? 1 : 0);
    mp3lame().lame_set_original(l, m.Original ? 1 : 0);
    mp3lame().lame_set_strict_ISO(l, m.StrictISO ? 1 : 0);
    m_vbrTag = m.WriteVBRTag != 0;
    mp3lame().lame_set_bWriteVbrTag(l, m_vbrTag ? 1 : 0);
    mp3lame().lame_set_write_id3tag_automatic(l, 0); // the tags are written here, see RenderTags
    if (mp3lame().lame_init_params(l) < 0) {
        Close();
        return fail(Failure::Settings,
                    QStringLiteral("MP3 cannot be encoded at %1 Hz %2 with %3.")
                        .arg(rate)
                        .arg(channels == 1 ? QStringLiteral("mono") : QStringLiteral("stereo"), what));
    }

    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString why = m_file.errorString(); // closing clears it
        Close();
        return fail(Failure::Destination,
                    QStringLiteral("The destination cannot be written: %1 (%2)").arg(path, why));
    }
    QByteArray v2;
    try {
        RenderTags(tags, v2, m_v1Tag);
    } catch (const id3::TagError& e) {
        Close();
        return fail(Failure::Settings, e.Description);
    }
    if (!WriteAll(m_file, v2)) {
        const QString why = m_file.errorString(); // closing clears it
        Close();
        return fail(Failure::Destination,
                    QStringLiteral("The destination cannot be written: %1 (%2)").arg(path, why));
    }
    m_audioStart = v2.size();
    return true;
}

bool Mp3Writer::writeOut(int bytes) {
    if (bytes < 0) {
        // -1 buffer too small, -2 out of memory, -3 not initialised, -4 psycho-acoustic problem.
        return fail(Failure::Encoder, QStringLiteral("The MP3 encoder failed (%1).").arg(bytes));
    }
    if (bytes > 0 && !WriteAll(m_file, reinterpret_cast<const char*>(m_out.data()), bytes))
        return fail(Failure::Destination,
                    QStringLiteral("The destination cannot be written (%1).").arg(m_file.errorString()));
    return true;
}

bool Mp3Writer::Encode(const float* const* planes, int frames) {
    if (!m_lame || !m_file.isOpen()) return false;
    constexpr int kSlice = 1 << 15;
    const int channels = mp3lame().lame_get_num_channels(m_lame);
    for (int done = 0; done < frames;) {
        const int n = std::min(kSlice, frames - done);
        // The size the encoder's documentation asks for: 1.25 times the samples plus 7200.
        const size_t need = size_t(n) + size_t(n) / 4 + 7200;
        if (m_out.size() < need) m_out.resize(need);
        const float* left = planes[0] + done;
        const float* right = channels > 1 ? planes[1] + done : left;
        const int bytes =
            mp3lame().lame_encode_buffer_ieee_float(m_lame, left, right, n, m_out.data(), int(m_out.size()));
        if (!writeOut(bytes)) return false;
        done += n;
    }
    return true;
}

bool Mp3Writer::Finish() {
    if (!m_lame || !m_file.isOpen()) return false;
    if (m_out.size() < 7200) m_out.resize(7200);
    if (!writeOut(mp3lame().lame_encode_flush(m_lame, m_out.data(), int(m_out.size())))) return false;
    if (m_vbrTag) {
        // The encoder left an empty frame at the start of the audio; the finished tag replaces it.
        size_t size = mp3lame().lame_get_lametag_frame(m_lame, m_out.data(), m_out.size());
        if (size > m_out.size()) {
            m_out.resize(size);
            size = mp3lame().lame_get_lametag_frame(m_lame, m_out.data(), m_out.size());
        }
        const qint64 end = m_file.pos();
        if (size > 0 && size <= m_out.size() &&
            (!m_file.seek(m_audioStart) || !writeOut(int(size)) || !m_file.seek(end)))
            return fail(Failure::Destination,
                        QStringLiteral("The destination cannot be written (%1).").arg(m_file.errorString()));
    }
    if (!WriteAll(m_file, m_v1Tag) || !m_file.flush())
        return fail(Failure::Destination,
                    QStringLiteral("The destination cannot be written (%1).").arg(m_file.errorString()));
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return fail(Failure::Destination,
                    QStringLiteral("The destination cannot be written (%1).").arg(m_file.errorString()));
    mp3lame().lame_close(m_lame);
    m_lame = nullptr;
    return true;
}

void Mp3Writer::Close() {
    if (m_lame) mp3lame().lame_close(m_lame);
    m_lame = nullptr;
    if (m_file.isOpen()) m_file.close();
}

} // namespace components

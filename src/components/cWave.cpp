#include "components/cWave.h"

#include "components/AudioOutput.h"
#include "components/OutputFiles.h"
#include "components/WavFile.h"
#include "components/cPlayer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>

namespace components {

namespace {

constexpr qint64 kHeaderBytes = 44;
// The pieces the device hands over, and how often the meter speaks. The
// sound server hands a client nothing until a piece is full, so pieces are
// small (the recording thread takes them a few at a time, at the meter's
// pace); at 10 ms they cost more CPU than the recording itself.
constexpr int kPieceMs = 20;
constexpr int kMeterMs = 50;
// Silence is judged in blocks of this length.
constexpr int kBlockMs = 10;
// The file is written this much at a time: a write for every piece would
// cost more than all the rest of the recording.
constexpr int kWriteMs = 250;
constexpr int kWatchMs = 250;
// RecordStop waits this long at most for what the device recorded up to
// then (it comes within a piece or two).
constexpr int kLastPieceMs = 250;
// A device silent for this long has gone, listed or not.
constexpr qint64 kGoneMs = 8000;

// The 16-byte "fmt " body of a PCM format.
QByteArray PcmFmtChunk(const tWaveFormatEx& f) {
    QByteArray b(16, '\0');
    char* p = b.data();
    qToLittleEndian<quint16>(1, p);
    qToLittleEndian<quint16>(quint16(f.nChannels), p + 2);
    qToLittleEndian<quint32>(quint32(f.nSamplesPerSec), p + 4);
    qToLittleEndian<quint32>(quint32(f.nAvgBytesPerSec), p + 8);
    qToLittleEndian<quint16>(quint16(f.nBlockAlign), p + 12);
    qToLittleEndian<quint16>(quint16(f.wBitsPerSample), p + 14);
    return b;
}

// The loudest of `samples` samples (unsigned 8-bit or signed 16-bit
// little-endian) on a scale of 32768.
qint32 Peak(const char* data, qint64 samples, bool eight) {
    qint32 peak = 0;
    if (eight) {
        const auto* u8 = reinterpret_cast<const quint8*>(data);
        for (qint64 i = 0; i < samples; ++i)
            peak = std::max(peak, std::abs((qint32(u8[i]) - 128) * 256));
    } else {
        for (qint64 i = 0; i < samples; ++i)
            peak = std::max(peak, std::abs(qint32(qFromLittleEndian<qint16>(data + 2 * i))));
    }
    return peak;
}

} // namespace

// What the recording thread and the recorder's thread share. The fields
// under "recording thread" are touched there only while the device runs,
// and by the recorder's thread only after AudioInput::Stop has returned.
struct cWave::Recording {
    std::unique_ptr<AudioInput> input;
    PartialFile partial;
    QString destination;
    tWaveFormatEx format;
    WavLayout layout;
    QElapsedTimer quietFor; // recorder's thread: since the device last handed a piece over
    quint64 piecesSeen = 0;
    quint64 generation = 0;

    std::atomic<quint64> pieces{0}; // pieces the device has handed over
    std::atomic<bool> paused{false};
    std::atomic<bool> failed{false};

    // recording thread
    QFile file;
    QByteArray unwritten; // taken, not written yet (less than kWriteMs)
    qint64 writeBytes = 0;
    qint64 dataBytes = 0;
    qint64 loudEnd = 0; // bytes up to the end of the last block louder than the threshold
    bool cutSilence = false;
    qint32 loudPeak = 0; // the least peak louder than the threshold
    qint64 blockFrames = 0;
    qint64 blockFill = 0;
    qint32 blockPeak = 0;
    qint64 meterFrames = 0;
    qint64 meterFill = 0;
    qint32 meterPeak = 0;
    QString writeError;

    // Writes what was taken and not written yet; false, with the reason
    // kept, when it cannot be written.
    bool writeUnwritten() {
        if (unwritten.isEmpty()) return true;
        if (!WriteAll(file, unwritten)) {
            writeError = file.errorString();
            failed = true;
            return false;
        }
        unwritten.resize(0); // the room stays for the next
        return true;
    }
};

cWave::cWave(QObject* parent) : QObject(parent) {
    m_watch = new QTimer(this);
    m_watch->setInterval(kWatchMs);
    connect(m_watch, &QTimer::timeout, this, &cWave::CheckRecording);
    m_player = new cPlayer(this);
    connect(m_player, &cPlayer::PlayDone, this, [this] {
        if (!m_closed) emit DonePlay();
    });
    m_inputFactory = [](QString* error) { return CreateAudioInput(error); };
}

cWave::~cWave() {
    Close();
}

void cWave::SetInputFactory(InputFactory factory) {
    m_inputFactory = std::move(factory);
}

qint32 cWave::GetDeviceCount(qint32 kind) {
    if (kind != kDeviceIn) return 0;
    QString error;
    const std::unique_ptr<AudioInput> input = m_inputFactory(&error);
    return input ? qint32(input->Devices().size()) : 0;
}

qint32 cWave::GetDeviceCaps(qint32& index, tWaveDeviceCaps& caps, qint32 kind) {
    if (kind != kDeviceIn) return ErrNoInputDevice;
    QString error;
    const std::unique_ptr<AudioInput> input = m_inputFactory(&error);
    const QStringList names = input ? input->Devices() : QStringList();
    if (index < 0 || index >= names.size()) return ErrNoInputDevice;
    caps.szPname = names.at(index);
    caps.szKind = QStringLiteral("input");
    caps.dwFormats = 0;
    caps.wChannels = input->MaxChannels(index);
    return NoError;
}

qint32 cWave::Refuse(qint32 code, const QString& text) {
    m_lastCode = code;
    m_lastText = text;
    return code;
}

QString cWave::GetErrorText(qint32& code) const {
    if (code == m_lastCode && !m_lastText.isEmpty()) return m_lastText;
    switch (code) {
    case NoError:
        return QStringLiteral("No error.");
    case ErrNoSoundModule:
        return QStringLiteral("The sound module cannot be loaded.");
    case ErrNoInputDevice:
        return QStringLiteral("No sound input device is available.");
    case ErrBadFormat:
        return QStringLiteral("The recording format is not supported.");
    case ErrCannotWrite:
        return QStringLiteral("The file cannot be written.");
    case ErrBusy:
        return QStringLiteral("A recording is running.");
    case ErrDeviceOpen:
        return QStringLiteral("The input device cannot be opened.");
    case ErrDeviceLost:
        return QStringLiteral("The input device stopped delivering sound; what was recorded is kept.");
    case ErrWriteFailed:
        return QStringLiteral("The file could not be written to the end; what was written is kept.");
    case ErrPlayFailed:
        return QStringLiteral("The file cannot be played.");
    default:
        return QStringLiteral("Unknown error %1.").arg(code);
    }
}

QString cWave::FormatSeconds(qint32 seconds) {
    return cPlayer::FormatSeconds(seconds);
}

qint16 cWave::LevelOfPeak(qint32 peak) {
    if (peak <= 0) return 0;
    const double db = 20.0 * std::log10(double(std::min(peak, 32768)) / 32768.0);
    return qint16(std::clamp(qRound(2.0 * (db + 60.0)), 0, 120));
}

qint32 cWave::RecordStart(qint32& device, const QString& path, tWaveFormatEx& format, qint16 /*reserved*/) {
    if (m_rec || m_finishing) return Refuse(ErrBusy, QString());
    m_closed = false;
    const qint16 bits = format.wBitsPerSample;
    const qint16 channels = format.nChannels;
    if (format.wFormatTag != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 2 ||
        format.nSamplesPerSec < 1000 || format.nSamplesPerSec > 192000 ||
        format.nBlockAlign != bits / 8 * channels ||
        format.nAvgBytesPerSec != format.nSamplesPerSec * format.nBlockAlign)
        return Refuse(ErrBadFormat,
                      QStringLiteral("The recording format is not supported (PCM, 8 or 16 bits, "
                                     "mono or stereo, with its sizes agreeing)."));
    const QFileInfo target(path);
    if (path.isEmpty() || target.fileName().isEmpty())
        return Refuse(ErrCannotWrite, QStringLiteral("No file name is given."));
    if (target.isDir()) return Refuse(ErrCannotWrite, QStringLiteral("%1 is a folder.").arg(path));

    QString error;
    std::unique_ptr<AudioInput> input = m_inputFactory(&error);
    if (!input) return Refuse(ErrNoSoundModule, error);

    auto rec = std::make_unique<Recording>();
    rec->destination = target.absoluteFilePath();
    if (!rec->partial.Create(target.absolutePath(), target.fileName()))
        return Refuse(
            ErrCannotWrite,
            QStringLiteral("The file %1 cannot be written: %2").arg(path, rec->partial.ErrorText()));
    if (!rec->file.open(rec->partial.Handle(), QIODevice::ReadWrite | QIODevice::Unbuffered,
                        QFileDevice::DontCloseHandle))
        return Refuse(ErrCannotWrite,
                      QStringLiteral("The file %1 cannot be written: %2").arg(path, rec->file.errorString()));
    rec->format = format;
    rec->format.cbSize = 0;
    rec->layout.sample = bits == 8 ? WavLayout::Sample::U8 : WavLayout::Sample::S16;
    rec->layout.rate = format.nSamplesPerSec;
    rec->layout.channels = channels;
    rec->layout.bits = bits;
    rec->layout.blockAlign = format.nBlockAlign;
    rec->layout.dataOffset = kHeaderBytes;
    rec->layout.fmtChunk = PcmFmtChunk(rec->format);
    // A header for an empty file until the end makes it true.
    if (!WriteAll(rec->file, WavHeader(rec->layout, 0)))
        return Refuse(ErrCannotWrite,
                      QStringLiteral("The file %1 cannot be written: %2").arg(path, rec->file.errorString()));
    // The meter's scale grows with the peak: the least peak above the
    // threshold, found once, spares a logarithm for every block.
    if (CutSilence) {
        qint32 low = 0, high = 32769; // LevelOfPeak(high) > threshold, taking 32769 as above all
        while (low < high) {
            const qint32 mid = (low + high) / 2;
            if (LevelOfPeak(mid) > CutSilenceVal)
                high = mid;
            else
                low = mid + 1;
        }
        rec->cutSilence = true;
        rec->loudPeak = low;
    }
    rec->writeBytes = std::max<qint64>(format.nBlockAlign, qint64(format.nAvgBytesPerSec) * kWriteMs / 1000);
    rec->unwritten.reserve(rec->writeBytes + 65536);
    rec->blockFrames = std::max<qint64>(1, qint64(format.nSamplesPerSec) * kBlockMs / 1000);
    rec->meterFrames = std::max<qint64>(1, qint64(format.nSamplesPerSec) * kMeterMs / 1000);
    static quint64 generations = 0;
    rec->generation = ++generations;

    Recording* r = rec.get();
    AudioInput::Callbacks callbacks;
    const quint64 generation = r->generation;
    // Both end the recording from the recorder's thread, if it is still this one.
    auto endFromDevice = [this, generation](qint32 code) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, code] {
                if (m_rec && m_rec->generation == generation) EndRecording(true, code);
            },
            Qt::QueuedConnection);
    };
    callbacks.lost = [endFromDevice] { endFromDevice(ErrDeviceLost); };
    callbacks.data = [this, r, endFromDevice](const char* data, qint64 bytes) {
        r->pieces.fetch_add(1, std::memory_order_relaxed);
        if (r->paused.load(std::memory_order_relaxed) || r->failed.load(std::memory_order_relaxed)) return;
        const qint64 align = r->layout.blockAlign;
        bytes -= bytes % align;
        if (bytes <= 0) return;
        r->unwritten.append(data, bytes);
        if (r->unwritten.size() >= r->writeBytes && !r->writeUnwritten()) {
            endFromDevice(ErrWriteFailed);
            return;
        }
        // Levels: the loudest sample of each silence block and of each
        // meter span, on a scale of 32768; a run never crosses the end of
        // either.
        const qint64 frames = bytes / align;
        const int channels = r->layout.channels;
        const bool eight = r->layout.bits == 8;
        for (qint64 f = 0; f < frames;) {
            const qint64 run =
                std::min({frames - f, r->blockFrames - r->blockFill, r->meterFrames - r->meterFill});
            const qint32 peak = Peak(data + f * align, run * channels, eight);
            f += run;
            r->blockPeak = std::max(r->blockPeak, peak);
            r->meterPeak = std::max(r->meterPeak, peak);
            r->blockFill += run;
            r->meterFill += run;
            if (r->blockFill == r->blockFrames) {
                if (r->blockPeak >= r->loudPeak) r->loudEnd = r->dataBytes + f * align;
                r->blockFill = 0;
                r->blockPeak = 0;
            }
            if (r->meterFill == r->meterFrames) {
                const qint16 level = LevelOfPeak(r->meterPeak);
                r->meterFill = 0;
                r->meterPeak = 0;
                QMetaObject::invokeMethod(
                    this,
                    [this, level] {
                        if (m_rec && MeterIn) emit MeterLevel(level);
                    },
                    Qt::QueuedConnection);
            }
        }
        r->dataBytes += bytes;
    };

    rec->quietFor.start();
    QString why;
    if (!input->Start(device, format.nSamplesPerSec, channels, bits, kPieceMs, std::move(callbacks), &why)) {
        const qint32 code = input->Devices().isEmpty() ? ErrNoInputDevice : ErrDeviceOpen;
        return Refuse(code, why.isEmpty() ? QString() : why);
    }
    rec->input = std::move(input);
    m_rec = std::move(rec);
    m_recordEndCode = NoError;
    m_recordedFrames = 0;
    m_lastCode = NoError;
    m_lastText.clear();
    m_watch->start();
    return NoError;
}

void cWave::CheckRecording() {
    if (!m_rec) {
        m_watch->stop();
        return;
    }
    // A device that went away (unplugged, removed from the sound server)
    // leaves the system's list; the server may even move the recording to
    // another device, which is not what the user chose. A server that stopped
    // sends nothing more; some devices send in bursts seconds apart (the
    // monitor of an idle output), so only a far longer pause counts.
    const quint64 pieces = m_rec->pieces.load(std::memory_order_relaxed);
    if (pieces != m_rec->piecesSeen) {
        m_rec->piecesSeen = pieces;
        m_rec->quietFor.restart();
    }
    if (m_rec->quietFor.elapsed() > kGoneMs || !m_rec->input->Present()) EndRecording(true, ErrDeviceLost);
}

void cWave::RecordStop() {
    if (m_rec) EndRecording(true, NoError, true);
}

void cWave::RecordPause() {
    if (m_rec) m_rec->paused = true;
}

void cWave::RecordUnPause() {
    if (m_rec) m_rec->paused = false;
}

bool cWave::IsRecordPaused() const {
    return m_rec && m_rec->paused;
}

void cWave::EndRecording(bool notify, qint32 endCode, bool takeTheRest) {
    if (!m_rec) return;
    std::unique_ptr<Recording> rec = std::move(m_rec);
    m_watch->stop();
    if (takeTheRest) {
        // What the device recorded up to now is still on its way: the
        // events run while it comes (the user's input waits), so that
        // nothing stalls, and no new recording starts meanwhile.
        m_finishing = true;
        QEventLoop wait;
        QTimer::singleShot(kLastPieceMs, &wait, &QEventLoop::quit);
        std::atomic<bool> drained{false};
        rec->input->Finish([&wait, &drained] {
            drained = true;
            QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
        });
        if (!drained) wait.exec(QEventLoop::ExcludeUserInputEvents);
        m_finishing = false;
    }
    rec->input->Stop(); // the recording thread has handed over its last piece
    if (!rec->failed && !rec->writeUnwritten() && endCode == NoError) endCode = ErrWriteFailed;

    // What the file holds in whole frames; after a failed write, what reached the disk.
    const qint64 align = rec->layout.blockAlign;
    qint64 bytes = rec->dataBytes;
    if (rec->failed) bytes = std::max<qint64>(0, rec->file.size() - kHeaderBytes);
    bytes -= bytes % align;
    if (rec->cutSilence) bytes = std::min(bytes, rec->loudEnd);
    QString failure;
    const bool pad = bytes % 2 != 0;
    if (!rec->file.resize(kHeaderBytes + bytes + (pad ? 1 : 0)) || !rec->file.seek(kHeaderBytes + bytes) ||
        (pad && !WriteAll(rec->file, QByteArray(1, '\0'))) || !rec->file.seek(0) ||
        !WriteAll(rec->file, WavHeader(rec->layout, bytes)) || !rec->file.flush())
        failure = rec->file.errorString();
    rec->file.close();
    if (failure.isEmpty() && !rec->partial.Commit(rec->destination, true)) failure = rec->partial.ErrorText();

    m_recordedFrames = failure.isEmpty() ? bytes / align : 0;
    if (!failure.isEmpty()) {
        endCode = ErrWriteFailed;
        m_lastCode = endCode;
        m_lastText = QStringLiteral("The file %1 cannot be written: %2").arg(rec->destination, failure);
    } else if (endCode == ErrWriteFailed) {
        m_lastCode = endCode;
        m_lastText =
            QStringLiteral("The file %1 could not be written to the end (%2); what was written is kept.")
                .arg(rec->destination, rec->writeError);
    }
    m_recordEndCode = endCode;
    if (notify)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_closed) emit DoneRecord();
            },
            Qt::QueuedConnection);
}

qint32 cWave::GetFileInfo(const QString& path, tWaveFileInfo& info) const {
    WavLayout layout;
    QString error;
    if (!ReadWavLayout(path, &layout, &error)) {
        info = tWaveFileInfo();
        return ErrPlayFailed;
    }
    const char* f = layout.fmtChunk.constData();
    info.wFormatTag = qint16(qFromLittleEndian<quint16>(f));
    info.nChannels = qint16(layout.channels);
    info.nSamplesPerSec = layout.rate;
    info.nAvgBytesPerSec = qint32(qFromLittleEndian<quint32>(f + 8));
    info.nBlockAlign = qint16(layout.blockAlign);
    info.wBitsPerSample = qint16(qFromLittleEndian<quint16>(f + 14));
    info.cbSize = layout.fmtChunk.size() >= 18 ? qint16(qFromLittleEndian<quint16>(f + 16)) : 0;
    const QFileInfo file(path);
    info.FileName = file.fileName();
    info.FilePath = file.absolutePath() + QLatin1Char('/');
    info.SecondsLength = layout.rate > 0 ? qint32(qRound(double(layout.frames) / layout.rate)) : 0;
    return NoError;
}

qint32 cWave::PlayStart(const QString& path, qint16 device, qint16 /*reserved*/) {
    m_closed = false;
    if (m_player->Play(path, device) != 0) return Refuse(ErrPlayFailed, m_player->ErrorText());
    return NoError;
}

bool cWave::IsPlaying() const {
    return m_player->IsPlaying();
}

qint32 cWave::GetPlayProgress() const {
    const double length = m_player->Length();
    if (!m_player->IsPlaying() || length <= 0) return 0;
    return std::clamp(qint32(m_player->GetPosition() * 100.0 / length), 0, 100);
}

qint32 cWave::GetPlayPosition() const {
    return qint32(m_player->GetPosition());
}

qint32 cWave::PlayStop() {
    m_player->Stop();
    return NoError;
}

void cWave::PlayPause() {
    m_player->Pause();
}

void cWave::PlayUnPause() {
    m_player->Resume();
}

void cWave::Close() {
    m_closed = true;
    m_player->Close();
    EndRecording(false, NoError);
}

} // namespace components

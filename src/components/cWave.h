// The WAV recorder and player: records an input device into a PCM WAV file
// and plays a WAV file back. The samples are taken on the sound module's own
// recording thread and written to the file there (a quarter of a second at
// a time), so a busy window never loses any; the level meter and the end of
// a recording come back to the thread the recorder lives in (the GUI
// thread), queued.
//
// Events: DoneRecord once per accepted RecordStart, after RecordStop or when
// the device went away, when the file is complete under its name (queued);
// DonePlay once per accepted PlayStart (after the end, or after PlayStop);
// MeterLevel while recording with MeterIn set.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class QTimer;

namespace components {

class AudioInput;
class cPlayer;

// The format of a recording (the layout of a WAVEFORMATEX record).
struct tWaveFormatEx {
    qint16 wFormatTag = 0; // 1: PCM
    qint16 nChannels = 0;
    qint32 nSamplesPerSec = 0;
    qint32 nAvgBytesPerSec = 0;
    qint16 nBlockAlign = 0;
    qint16 wBitsPerSample = 0;
    qint16 cbSize = 0;
};

// What GetFileInfo tells of a WAV file: its format, then its name, folder and length.
struct tWaveFileInfo {
    qint16 wFormatTag = 0;
    qint16 nChannels = 0;
    qint32 nSamplesPerSec = 0;
    qint32 nAvgBytesPerSec = 0;
    qint16 nBlockAlign = 0;
    qint16 wBitsPerSample = 0;
    qint16 cbSize = 0;
    QString FileName;
    QString FilePath;         // the folder, with a closing "/"
    qint32 SecondsLength = 0; // rounded to the nearest second
};

// One input device: its name, the sound system's description of its kind,
// the formats flag (unused, 0) and the most channels it records.
struct tWaveDeviceCaps {
    QString szPname;
    QString szKind;
    qint32 dwFormats = 0;
    qint32 wChannels = 0;
};

class cWave : public QObject {
    Q_OBJECT
public:
    // The device kind GetDeviceCount and GetDeviceCaps are asked for: inputs.
    static constexpr qint32 kDeviceIn = 2;

    // Error codes of RecordStart, PlayStart and PlayStop (GetErrorText says them in words).
    enum : qint32 {
        NoError = 0,
        ErrNoSoundModule = 1,
        ErrNoInputDevice = 2,
        ErrBadFormat = 3,
        ErrCannotWrite = 4,
        ErrBusy = 5,
        ErrDeviceOpen = 6,
        ErrDeviceLost = 7,
        ErrWriteFailed = 8,
        ErrPlayFailed = 9,
    };

    // Makes the recording device (a test hands a fake one; by default the sound module's).
    using InputFactory = std::function<std::unique_ptr<AudioInput>(QString* error)>;

    explicit cWave(QObject* parent = nullptr);
    ~cWave() override;

    void SetInputFactory(InputFactory factory);

    // While true, MeterLevel reports the input level about 20 times a second.
    bool MeterIn = false;
    // When set, the silent end of the next recording (every 10 ms block whose
    // level is at or below CutSilenceVal on the meter's scale) is cut from the file.
    bool CutSilence = false;
    qint32 CutSilenceVal = 20;

    // The number of devices of the kind (kDeviceIn; any other kind has none).
    qint32 GetDeviceCount(qint32 kind);
    // Fills caps for device `index` of the kind; 0, or ErrNoInputDevice for no such device.
    qint32 GetDeviceCaps(qint32& index, tWaveDeviceCaps& caps, qint32 kind);

    // Ends a pre-screen of the recorded sound on a second device; this
    // recorder offers none, so there is never one to end.
    void PreScreenClose() {}

    // Starts recording from input `device` (-1 or an unknown index: the
    // default input) into `path`, in `format` (PCM, 8 or 16 bits, 1 or 2
    // channels). `reserved` is not used (the recorder sizes its own
    // buffers). 0 = recording; the file appears under its name, complete,
    // when the recording ends, also when the device goes away.
    qint32 RecordStart(qint32& device, const QString& path, tWaveFormatEx& format, qint16 reserved);
    // Ends the recording: what the device recorded up to this call is in
    // the file (its last piece is waited for, the events running
    // meanwhile, user input held back), and the file is complete under
    // its name when this returns; DoneRecord follows, queued. Nothing when
    // not recording.
    void RecordStop();
    // The sound that comes in while paused is left out of the file.
    void RecordPause();
    void RecordUnPause();
    bool IsRecordPaused() const;
    bool IsRecording() const { return m_rec != nullptr; }
    // Why the last recording ended other than by RecordStop (ErrDeviceLost,
    // ErrWriteFailed), or 0; read in DoneRecord.
    qint32 RecordEndCode() const { return m_recordEndCode; }
    // The length of the file the last recording wrote, in frames.
    qint64 RecordedFrames() const { return m_recordedFrames; }

    // A readable text for a code of RecordStart, PlayStart, PlayStop or RecordEndCode.
    QString GetErrorText(qint32& code) const;
    // "H:MM:SS".
    static QString FormatSeconds(qint32 seconds);
    // Fills info for the WAV file at path; 0, or ErrPlayFailed when it is no WAV file.
    qint32 GetFileInfo(const QString& path, tWaveFileInfo& info) const;

    // Plays the file on output `device` (-1 or unknown: the default output).
    // `reserved` is not used (the player sizes its own buffers). 0 = playing.
    qint32 PlayStart(const QString& path, qint16 device, qint16 reserved);
    bool IsPlaying() const;
    // The position heard, in hundredths of the file's length (0..100).
    qint32 GetPlayProgress() const;
    // The position heard, in whole seconds.
    qint32 GetPlayPosition() const;
    // Stops playback (DonePlay follows when something played); 0.
    qint32 PlayStop();
    void PlayPause();
    void PlayUnPause();

    // Ends recording (the file is kept, complete) and playback without their
    // events and releases the devices.
    void Close();

    // The meter's scale: 0 at -60 dB of full scale or below, 120 at full
    // scale, two steps per dB. `peak` is on a scale of 32768.
    static qint16 LevelOfPeak(qint32 peak);

signals:
    void DonePlay();
    void DoneRecord();
    void MeterLevel(qint16 level);

private:
    struct Recording;

    qint32 Refuse(qint32 code, const QString& text);
    // Stops the device and completes the file; notify: DoneRecord follows;
    // takeTheRest: what the device recorded up to now is waited for first.
    void EndRecording(bool notify, qint32 endCode, bool takeTheRest = false);
    void CheckRecording();

    InputFactory m_inputFactory;
    std::unique_ptr<Recording> m_rec;
    QTimer* m_watch = nullptr;
    cPlayer* m_player = nullptr;
    qint32 m_lastCode = 0;
    QString m_lastText;
    qint32 m_recordEndCode = 0;
    qint64 m_recordedFrames = 0;
    bool m_closed = false;
    bool m_finishing = false; // RecordStop waits for the last piece
};

} // namespace components

// The speech component: speaks a text aloud on an audio output, telling which
// word is being heard, or writes the speech into a WAV file. Built on the
// espeak-ng engine, which is loaded when speech is first needed.
//
// Speak returns at once: the text is synthesised on a worker thread while the
// GUI thread hands the sound to the output in small steps. WordPosition comes
// when the output has played up to the start of each word, in text order,
// and one SpeakDone when the speech has been heard to its end or was stopped.
// No event comes from inside the call that started or stopped the speech.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTimer;

namespace components {

// One audio format the component speaks in: rate, sample size and channels.
// The engine speaks at one rate in mono; the others are resampled from it.
struct SpeechFormat {
    qint32 id = 0;
    QString name; // "SAFT22kHz16BitMono"
    int rate = 0;
    int bits = 0;
    int channels = 0;
};

class cOrlath : public QObject {
    Q_OBJECT
public:
    // SpeakFlags: a Speak while a text is still being spoken drops that text
    // for the new one; without it the new text is spoken after it.
    static constexpr qint32 kPurgeBeforeSpeak = 2;

    explicit cOrlath(QObject* parent = nullptr);
    ~cOrlath() override;

    // The installed voices, numbered from 1 (the engine's default voice first).
    qint32 VoiceCount();
    QString VoiceName(qint32 index);
    // The system's audio outputs, numbered from 1 (the default output first).
    qint32 AudioOutputCount();
    QString AudioOutputName(qint32 index);
    // Emits AudioFormatItem for every format, all before it returns.
    void EnumAudioFormats();
    static const std::vector<SpeechFormat>& Formats();
    static const SpeechFormat& DefaultFormat(); // SAFT22kHz16BitMono

    // Settings of the next speech (aloud or to a file).
    void setAudioOutput(qint32 position); // 0-based; out of range: the default output
    void setVoice(qint32 position);       // 0-based; out of range: the default voice
    void setRate(qint32 rate);            // -10..10, 0 the normal speed
    void setVolume(qint32 volume);        // 0..100
    void setSpeakFlags(qint32 flags);
    void setAudioFormat(qint32 id); // an id of Formats(); others are ignored
    qint32 AudioFormat() const { return m_format; }
    // Words per minute the engine speaks at for a rate of -10..10 (clamped).
    static int WordsPerMinute(qint32 rate);

    // True from a Speak until its SpeakDone is due.
    bool IsSpeaking() const;
    // Starts speaking the text. False, with ErrorText, when nothing could be
    // started (no engine, no voice data, no output); nothing follows then.
    bool Speak(const QString& text);
    // Ends the speech at once; SpeakDone follows, queued.
    void Stop();
    // Writes the speech of the text as a WAV file in the audio format, replacing
    // `path` (written under a temporary name and renamed). Returns when the
    // file is complete: 0, or non-zero with ErrorText (nothing written then).
    // A text that gives no sound at all is refused.
    qint32 SpeakToWave(const QString& text, const QString& path);
    // Stops without a SpeakDone and releases the output.
    void Close();

    QString ErrorText() const { return m_error; }

signals:
    // The word being heard: its offset in the spoken text and its length, in
    // the text's own (UTF-16) characters.
    void WordPosition(qint32 start, qint32 length);
    void SpeakDone();
    void AudioFormatItem(const QString& name, qint32 id);

private:
    struct Shared;
    struct Session;

    bool StartSession(const QString& text);
    void Feed();
    // Ends the speech; with `notify` SpeakDone follows (queued).
    void EndSession(bool notify);
    void ReleaseWords(qint64 heardFrames);
    const SpeechFormat& Format() const;
    QStringList& OutputNames();

    std::unique_ptr<Session> m_session;
    QStringList m_queued; // texts to speak after the current one
    QTimer* m_feedTimer = nullptr;
    QStringList m_outputs;
    bool m_outputsListed = false;
    qint32 m_output = -1;
    qint32 m_voice = -1;
    qint32 m_rate = 0;
    qint32 m_volume = 100;
    qint32 m_flags = 0;
    qint32 m_format = 0;
    bool m_closed = false;
    QString m_error;
};

} // namespace components

// The preview player: plays one audio file at a time on an output device.
// The file is decoded on a worker thread into a ring of samples; the GUI
// thread hands them to the audio sink in small steps, so neither a slow disk
// nor a busy window makes the other wait.
//
// Events: PlayDone arrives once per successful Play, queued, when the file
// has been heard to its end, after Stop, or after a decoding failure (then
// preceded by Error). It never comes from inside the call that ended playback.
#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class QIODevice;
class QTimer;

namespace components {

class cPlayer : public QObject {
    Q_OBJECT
public:
    explicit cPlayer(QObject* parent = nullptr);
    ~cPlayer() override;

    // Opens the file only to learn its length (Length). Refused (non-zero) while
    // a file plays, so a preview never replaces what is heard. 0 = opened.
    qint32 OpenFile(const QString& file);
    // Starts playing the file on output device `audioDevice` (an index into the
    // system's outputs; -1 or an unknown index means the default device).
    // 0 = playback started; otherwise nothing plays and ErrorText() says why.
    // A file that is playing is stopped first (with its PlayDone).
    qint32 Play(const QString& file, qint32 audioDevice);
    // The same for the part of the file from startMs, lengthMs long (to the
    // end when lengthMs is negative); PlayDone comes when that part was heard.
    qint32 Play(const QString& file, qint32 audioDevice, qint64 startMs, qint64 lengthMs);
    void Pause();
    void Resume();
    // Stops at once; PlayDone follows, queued.
    void Stop();
    // Releases the device and the thread for good: stops without a PlayDone and
    // drops one still queued.
    void Close();

    // True from a successful Play until the end or Stop, paused or not.
    bool IsPlaying() const { return m_session != nullptr; }
    bool IsPaused() const { return m_session != nullptr && m_paused; }

    // Of the file last opened or played, in seconds; 0 when unknown.
    double Length() const { return m_length; }
    // The position heard now, in seconds (0 when nothing plays).
    double GetPosition() const;
    // Moves playback to `seconds` (clamped to the file); nothing when idle.
    void SetPosition(double seconds);

    // "H:MM:SS", as the position labels show it.
    static QString FormatSeconds(qint64 seconds);

    // The last 100 ms heard, as mono samples in -1..1 at AudioDataRate() (empty
    // when nothing plays). What the level and frequency graphs are fed.
    QVector<float> AudioData() const;
    int AudioDataRate() const { return m_rate; }

    // Why the last OpenFile or Play failed.
    QString ErrorText() const { return m_error; }

signals:
    void PlayDone();
    // Decoding failed while the file played: the path and the reason. PlayDone follows.
    void Error(const QString& file, const QString& reason);

private:
    struct Shared;
    struct Session;

    void Feed();
    void EndSession(bool notify);
    // Ends playback with Error, then PlayDone.
    void Fail(const QString& reason);
    bool StartSink();
    qint64 PlayedFrames() const;
    void AppendHistory(const char* data, qint64 frames);

    std::unique_ptr<Session> m_session;
    QTimer* m_feedTimer = nullptr;
    bool m_paused = false;
    bool m_closed = false;
    double m_length = 0;
    int m_rate = 0;
    QString m_error;
};

} // namespace components

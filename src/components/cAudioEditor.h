// The analyser's engine: one WAV file, its peaks for drawing, a selection in
// samples, playback of the selection and saving it as a WAV of its own.
//
// Loading reads the header at once (FileInfo follows, queued) and builds a
// cache of peaks on a worker thread, a block of frames at a time; every view,
// whatever its zoom, is drawn from that cache (or, zoomed in closer than one
// block per column, from the file itself). Saving copies the selected frames
// byte for byte on a worker thread into a temporary file beside the
// destination, renamed when complete; it ends with exactly one of Done,
// Aborted or Error, queued, and leaves no file behind unless it ended Done.
#pragma once

#include "components/WavFile.h"

#include <QObject>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace components {

class Worker;
class cPlayer;

class cAudioEditor : public QObject {
    Q_OBJECT
public:
    // Frames summarised by one entry of the peak cache.
    static constexpr qint64 kPeakBlock = 256;

    explicit cAudioEditor(QObject* parent = nullptr);
    ~cAudioEditor() override;

    // Drawing colours (colour numbers): the wave, the selection, the background.
    qint64 Color1 = 0;
    qint64 Color2 = 0;
    qint64 Color3 = 0;
    // The output device for playback (-1: the default one).
    qint32 AudioDevice = -1;

    // Loads a WAV file: true and FileInfo (queued) when its header can be read;
    // false, with ErrorText(), otherwise, and the view is empty. A file of no
    // samples loads as empty too (false).
    bool LoadFile(const QString& path);
    QString FileName() const { return m_path; }
    bool IsLoaded() const { return m_layout.frames > 0; }
    const WavLayout& Layout() const { return m_layout; }
    qint64 Samples() const { return m_layout.frames; }
    // True once the peak cache covers the whole file.
    bool PeaksReady() const;

    // The peaks of one channel between two frames, squeezed into `columns`
    // columns: (min, max) in -1..1 per column. Parts not yet scanned read 0.
    std::vector<std::pair<float, float>> Peaks(qint32 channel, qint64 from, qint64 to, qint32 columns);

    // The selection, in frames [start, end). A selection of no frames selects
    // the whole file. SelectionChanged follows every change.
    void SetSelection(qint64 start, qint64 end);
    qint64 SelectionStart() const { return m_selStart; }
    qint64 SelectionEnd() const { return m_selEnd; }
    qint32 MillisecondsOf(qint64 frame) const;

    // The frames the view shows: the whole file, or the selection after Zoom.
    qint64 ViewStart() const { return m_viewStart; }
    qint64 ViewEnd() const { return m_viewEnd; }
    void Zoom();
    void RestoreZoom();

    // Plays the selection; 0 when playback started (PlayDone follows), else
    // non-zero with ErrorText().
    qint32 Play();
    bool IsPaused() const;
    bool IsPlaying() const;
    void Pause();
    void Resume();
    void Stop();

    // Saving: the source, the destination and the range (milliseconds, or
    // frames with SetRangeFrames), then SaveSelection.
    void SetSaveSource(const QString& path) { m_saveSource = path; }
    QString DestinationFile;
    qint32 RangeStart = 0;
    qint32 RangeLength = 0;
    // The range exact to the frame; wins over RangeStart/RangeLength until
    // they are used again by a save that did not set it.
    void SetRangeFrames(qint64 start, qint64 length);
    void SaveSelection();
    bool IsSaving() const;

    // Stops a running save (Aborted follows) and playback; safe when idle.
    void Abort();
    // Releases the file, the player and the threads; no event follows.
    void Close();

    QString ErrorText() const { return m_error; }

signals:
    void FileInfo(qint32 samplesPerSec, qint32 bitsPerSample, qint32 channels, qint32 seconds,
                  qint32 samples);
    void SelectionChanged(qint32 startSample, qint32 endSample, qint32 startMs, qint32 endMs);
    void Progress(qint32 percent);
    void Done();
    void Aborted();
    void Error(qint32 code, const QString& description);
    void PlayDone();
    // The peaks or the view range changed: time to draw again.
    void ViewChanged();

private:
    struct PeakCache;
    void StartPeaks();
    void Fail(qint32 code, const QString& text);

    QString m_path;
    WavLayout m_layout;
    std::shared_ptr<PeakCache> m_peaks;
    std::unique_ptr<Worker> m_peakWorker;
    std::unique_ptr<Worker> m_saveWorker;
    std::unique_ptr<cPlayer> m_player;
    qint64 m_selStart = 0;
    qint64 m_selEnd = 0;
    qint64 m_viewStart = 0;
    qint64 m_viewEnd = 0;
    qint64 m_rangeFrom = -1;
    qint64 m_rangeFrames = -1;
    QString m_saveSource;
    QString m_error;
    bool m_closed = false;
};

} // namespace components

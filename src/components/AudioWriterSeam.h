// What the audio-CD burner needs of a real CD writer, kept behind one small
// interface so that the burn logic can be driven by a scripted writer in
// tests. The program's implementation is LibburnWriter (libburn).
//
// Calls come from the GUI thread (speeds, medium, trays) and from the burn
// worker (startAudio, poll, cancel, finish); an implementation serialises
// access to a drive itself.
#pragma once

#include <QList>
#include <QString>

#include <memory>

namespace components {

class AudioWriterSeam {
public:
    struct Medium {
        enum State {
            NoDisc,     // empty drive or open tray
            Blank,      // a writable disc with nothing on it
            Written,    // a disc that holds data or is closed
            Unsuitable, // a disc or drive that cannot take an audio CD
            Busy,       // the drive is in use (a burn runs)
            Missing,    // the drive cannot be reached
        };
        State state = Missing;
        qint64 totalSectors = 0; // the disc's size in 2,048-byte blocks
        qint64 freeSectors = 0;  // what can still be written, in blocks
        QString detail;          // the writer's own words, when it gave any
    };

    // One audio track: a file of raw 44.1 kHz 16-bit stereo little-endian PCM,
    // a whole number of 2,352-byte sectors long.
    struct Track {
        QString pcmFile;
        qint64 bytes = 0;
    };

    struct Status {
        enum Phase { Idle, Starting, Writing, ClosingTrack, ClosingSession };
        Phase phase = Idle;
        qint32 track = 0;   // from 0; the track being written
        qint64 sector = 0;  // sectors of that track written so far
        qint64 sectors = 0; // sectors of that track
    };

    virtual ~AudioWriterSeam() = default;

    // The write speeds the drive offers, in kB/s (1x = 176.4), any order.
    virtual QList<qint32> writeSpeeds(const QString& device) = 0;
    virtual Medium medium(const QString& device) = 0;

    // Grabs the drive and starts writing the tracks as one track-at-once audio
    // session at speedKBs (0 = the drive's fastest). `underrunProof` asks for
    // the drive's buffer-underrun protection. False, with a reason, when the
    // drive or the disc refused before anything was written.
    virtual bool startAudio(const QString& device, const QList<Track>& tracks, qint32 speedKBs,
                            bool underrunProof, QString* error) = 0;
    // Waits a moment and tells where the running write is; Idle once it ended.
    virtual Status poll() = 0;
    // Asks the running write to stop; poll() turns Idle when it has.
    virtual void cancel() = 0;
    // After poll() turned Idle: true when the disc was written well. Releases
    // the drive without ejecting.
    virtual bool finish(QString* error) = 0;

    virtual bool eject(const QString& device) = 0;
    virtual bool load(const QString& device) = 0;
};

// The libburn writer the program uses.
std::shared_ptr<AudioWriterSeam> makeLibburnWriter();

} // namespace components

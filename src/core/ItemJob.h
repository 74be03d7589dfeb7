// The one thing the item-by-item run (BatchRun) knows of the component that
// does its work: begin a run with the output format, start one item, abort,
// close. Adapters implement it over the converter (ConverterItemJob) and the
// ripper (RipperItemJob); a new item-by-item tool adds one more.
//
// Contract of every implementation:
//  - StartItem returns at once; afterwards Progress any number of times and
//    then exactly one of Done, Error or Aborted, always queued (never emitted
//    from inside StartItem or Abort);
//  - StartItem is accepted from inside a Done or Error slot;
//  - a range applies to the item it was given with only.
#pragma once

#include "components/EncoderRecords.h"

#include <QObject>
#include <QString>

#include <optional>

namespace core {

// The output format and its settings for a whole run. outputFormat is the
// component's code 1..6 (WAV, ACM WAV, MP3, WMA, OGG, APE); only the record or
// values of that format are handed over.
struct OutputSettings {
    qint32 outputFormat = 1;
    components::tWAVSettings wav;
    components::tMP3Settings mp3;
    components::tWMASettings wma;
    components::tOGGSettings ogg;
    QString acmTag;
    QString acmFormat;
    qint32 apeLevel = 0;
};

// The seven tag values of an output file.
struct ItemTags {
    QString album;
    QString artist;
    QString comment;
    QString genre;
    QString title;
    QString track;
    QString year;
};

// One item of a run.
struct ItemRequest {
    qint32 row = 0;               // 1-based row of the item (the ripper's track)
    std::optional<ItemTags> tags; // nullopt: no tag is set (the ACM Converter)
    QString source;
    bool ranged = false;
    qint32 rangeStart = 0;  // seconds
    qint32 rangeLength = 0; // seconds
    QString destination;
};

// The output settings of a run for a target format, the log line of the
// hand-over ("Destination format: MP3") and the extension of the outputs.
struct RunOutput {
    OutputSettings settings;
    QString logLine;
    std::optional<QString> destExtension;
};

// Hands a run's output format and its one settings call to an audio
// component (the converter, the joiner: both take them by the same names).
template <class Component> void ApplyOutputSettings(Component& component, const OutputSettings& output) {
    component.setOutputFormat(output.outputFormat);
    switch (output.outputFormat) {
    case 2:
        component.SetACMSettings(output.acmTag, output.acmFormat);
        break;
    case 3:
        component.SetMP3Settings(output.mp3);
        break;
    case 4:
        component.SetWMASettings(output.wma);
        break;
    case 5:
        component.SetOGGSettings(output.ogg);
        break;
    case 6:
        component.SetAPESettings(output.apeLevel);
        break;
    default:
        component.SetWAVSettings(output.wav);
        break;
    }
}

// Sets the seven tag properties of an audio component, in the order the
// windows set them.
template <class Component> void ApplyTags(Component& component, const ItemTags& tags) {
    component.setTagAlbum(tags.album);
    component.setTagArtist(tags.artist);
    component.setTagComment(tags.comment);
    component.setTagGenre(tags.genre);
    component.setTagTitle(tags.title);
    component.setTagTrack(tags.track);
    component.setTagYear(tags.year);
}

class ItemJob : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Hands the output format and its settings over; they hold for every item until the next call.
    virtual void BeginRun(const OutputSettings& output) = 0;
    // Starts one item and returns at once.
    virtual void StartItem(const ItemRequest& item) = 0;
    // Asks the running item to stop; answered by Aborted (nothing when idle).
    virtual void Abort() = 0;
    // Releases the component when the window closes.
    virtual void Close() = 0;

signals:
    void Progress(qint32 percent);
    void Done();
    void Error(qint32 code, const QString& description);
    void Aborted();
    // A line for the log about the running item (before its Done or Error):
    // what the user should know of an output that is not all it could be.
    void Note(const QString& text);
};

} // namespace core

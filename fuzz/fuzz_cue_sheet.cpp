// Cue sheets as the drive registry reads a virtual drive's disc: the sheet
// beside a small image, the table of contents, then a sector of each track
// read through the handle the ripper uses.
#include "FuzzSupport.h"

#include "components/DriveRegistry.h"

#include <QDir>
#include <QFile>

#include <vector>

using namespace components;

namespace {

// A folder standing for a drive, with an image of a few seconds of audio
// that the seeds name.
QString DriveFolder() {
    static const QString folder = [] {
        const QString dir = fuzzing::ScratchDir() + QStringLiteral("/drive");
        QDir().mkpath(dir);
        QFile image(dir + QStringLiteral("/disc.bin"));
        if (!image.open(QIODevice::WriteOnly) ||
            image.write(QByteArray(3 * 75 * DriveRegistry::kAudioSectorBytes, '\x11')) < 0)
            fuzzing::Broken("cannot write the disc image");
        qputenv("CORVANE_NO_REAL_DRIVES", "1");
        qputenv("CORVANE_VIRTUAL_DRIVES", dir.toLocal8Bit());
        return dir;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString folder = DriveFolder();
    QFile sheet(folder + QStringLiteral("/disc.cue"));
    if (!sheet.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        sheet.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fuzzing::Broken("cannot write the cue sheet");
    sheet.close();

    DriveRegistry& registry = DriveRegistry::instance();
    const DiscInfo disc = registry.readDisc(0);
    for (const DiscTrack& t : disc.tracks)
        if (t.sectors <= 0 || t.startSector < 0) fuzzing::Broken("a track of no length");
    CdioHandle handle = registry.openDisc(0);
    if (!handle) return 0;
    std::vector<char> sector(static_cast<size_t>(DriveRegistry::kAudioSectorBytes));
    for (const DiscTrack& t : disc.tracks) {
        if (t.audio) (void)cdio_read_audio_sector(handle.get(), sector.data(), t.startSector);
        (void)cdio_read_audio_sector(handle.get(), sector.data(), t.startSector + t.sectors - 1);
    }
    return 0;
}

// WAV headers as the analyser reads them: the layout reader on the bytes,
// the header written back for the layout (which must read as the same
// layout), then the analyser itself on the file: its peak scan, a close view
// read from the file, and a saved selection that must read back whole.
#include "FuzzSupport.h"

#include "components/WavFile.h"
#include "components/cAudioEditor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>

#include <vector>

using namespace components;

namespace {

bool SameLayout(const WavLayout& a, const WavLayout& b) {
    return a.sample == b.sample && a.rate == b.rate && a.channels == b.channels && a.bits == b.bits &&
           a.blockAlign == b.blockAlign && a.frames == b.frames;
}

// The layout of the bytes; checks what the reader promises of it.
bool Layout(const QByteArray& bytes, WavLayout* layout) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QString why;
    if (!ReadWavLayout(buffer, layout, &why)) {
        if (why.isEmpty()) fuzzing::Broken("a refused header says nothing");
        return false;
    }
    if (layout->channels < 1 || layout->rate < 1 ||
        layout->blockAlign != layout->channels * layout->bits / 8 || layout->frames < 0 ||
        layout->dataOffset + layout->BytesOf(layout->frames) > bytes.size())
        fuzzing::Broken("a layout the file does not hold");
    return true;
}

void Analyse(const QString& path, const WavLayout& layout) {
    cAudioEditor editor;
    bool failed = false, saved = false;
    QObject::connect(&editor, &cAudioEditor::Error, [&failed](qint32, const QString&) { failed = true; });
    QObject::connect(&editor, &cAudioEditor::Done, [&saved] { saved = true; });
    if (!editor.LoadFile(path)) return;
    while (!editor.PeaksReady() && !failed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (failed) return;
    const qint64 frames = editor.Samples();
    for (qint32 c = 0; c < layout.channels && c < 4; ++c) {
        editor.Peaks(c, 0, frames, 64);                        // from the scan's cache
        editor.Peaks(c, 0, std::min<qint64>(frames, 100), 64); // from the file
    }
    const QString copy = fuzzing::ScratchDir() + QStringLiteral("/selection.wav");
    editor.DestinationFile = copy;
    editor.SetRangeFrames(frames / 2, frames - frames / 2);
    editor.SaveSelection();
    while (!saved && !failed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (failed) return;
    WavLayout back;
    QString why;
    if (!ReadWavLayout(copy, &back, &why) || back.frames != frames - frames / 2)
        fuzzing::Broken("a saved selection does not read back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::EnsureApp();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    WavLayout layout;
    if (!Layout(bytes, &layout)) return 0;

    // The samples present, as the analyser converts them.
    const qint64 frames = std::min<qint64>(layout.frames, 1024);
    std::vector<float> samples(size_t(frames * layout.channels));
    WavToFloat(layout, bytes.constData() + layout.dataOffset, frames, samples.data());

    // The header written for the layout, before the same samples.
    const qint64 dataBytes = layout.BytesOf(layout.frames);
    WavLayout again;
    if (!Layout(WavHeader(layout, dataBytes) + bytes.mid(layout.dataOffset, dataBytes), &again) ||
        !SameLayout(layout, again))
        fuzzing::Broken("the header written for a layout reads differently");

    Analyse(fuzzing::WriteScratch(QStringLiteral("input.wav"), data, size), layout);
    fuzzing::DrainEvents();
    return 0;
}

#include "core/ConverterItemJob.h"

#include "components/cAudioConverter.h"

namespace core {

ConverterItemJob::ConverterItemJob(components::cAudioConverter* converter, QObject* parent)
    : ItemJob(parent) {
    if (!converter) {
        m_own = std::make_unique<components::cAudioConverter>();
        converter = m_own.get();
    }
    m_converter = converter;
    using C = components::cAudioConverter;
    connect(m_converter, &C::Progress, this, &ItemJob::Progress);
    connect(m_converter, &C::Done, this, &ItemJob::Done);
    connect(m_converter, &C::Error, this, &ItemJob::Error);
    connect(m_converter, &C::Aborted, this, &ItemJob::Aborted);
}

ConverterItemJob::~ConverterItemJob() = default;

void ApplyOutputSettings(components::cAudioConverter& converter, const OutputSettings& output) {
    converter.setOutputFormat(output.outputFormat);
    switch (output.outputFormat) {
    case 2:
        converter.SetACMSettings(output.acmTag, output.acmFormat);
        break;
    case 3:
        converter.SetMP3Settings(output.mp3);
        break;
    case 4:
        converter.SetWMASettings(output.wma);
        break;
    case 5:
        converter.SetOGGSettings(output.ogg);
        break;
    case 6:
        converter.SetAPESettings(output.apeLevel);
        break;
    default:
        converter.SetWAVSettings(output.wav);
        break;
    }
}

void ConverterItemJob::BeginRun(const OutputSettings& output) {
    ApplyOutputSettings(*m_converter, output);
}

void ConverterItemJob::StartItem(const ItemRequest& item) {
    if (item.tags) {
        m_converter->setTagAlbum(item.tags->album);
        m_converter->setTagArtist(item.tags->artist);
        m_converter->setTagComment(item.tags->comment);
        m_converter->setTagGenre(item.tags->genre);
        m_converter->setTagTitle(item.tags->title);
        m_converter->setTagTrack(item.tags->track);
        m_converter->setTagYear(item.tags->year);
    }
    m_converter->setSourceFile(item.source);
    if (item.ranged) {
        m_converter->setRangeStart(item.rangeStart);
        m_converter->setRangeLength(item.rangeLength);
    }
    m_converter->setDestinationFile(item.destination);
    m_converter->StartConvert();
}

void ConverterItemJob::Abort() {
    m_converter->Abort();
}

void ConverterItemJob::Close() {
    m_converter->Close();
}

} // namespace core

// ItemJob over the converter component: the output format and its one
// settings call per run, then per item the tags, source, range and
// destination, and StartConvert.
#pragma once

#include "core/ItemJob.h"

#include <memory>

namespace components {
class cAudioConverter;
}

namespace core {

class ConverterItemJob : public ItemJob {
    Q_OBJECT
public:
    // Uses the given converter (not owned), or a converter of its own when null.
    explicit ConverterItemJob(components::cAudioConverter* converter = nullptr, QObject* parent = nullptr);
    ~ConverterItemJob() override;

    void BeginRun(const OutputSettings& output) override;
    void StartItem(const ItemRequest& item) override;
    void Abort() override;
    void Close() override;

    components::cAudioConverter& Converter() { return *m_converter; }

private:
    std::unique_ptr<components::cAudioConverter> m_own;
    components::cAudioConverter* m_converter = nullptr;
};

} // namespace core

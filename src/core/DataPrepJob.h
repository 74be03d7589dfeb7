// The item job of the data-disc burner's preparation: each item converted by
// the converter into the temporary folder, or, with "Do not convert", copied
// there unchanged. The copy runs on a worker thread like a conversion, so
// both modes share the batch run's events, abort and end.
#pragma once

#include "components/Worker.h"
#include "core/ItemJob.h"

#include <memory>

namespace core {

class DataPrepJob : public ItemJob {
    Q_OBJECT
public:
    // `converter`: the job that converts (the converter component by default).
    explicit DataPrepJob(std::unique_ptr<ItemJob> converter = {}, QObject* parent = nullptr);
    ~DataPrepJob() override;

    // True: the items are copied as they are.
    void setCopyMode(bool copy) { m_copy = copy; }
    bool copyMode() const { return m_copy; }
    ItemJob& converter() { return *m_converter; }

    void BeginRun(const OutputSettings& output) override;
    void StartItem(const ItemRequest& item) override;
    void Abort() override;
    void Close() override;

    // Copies `source` to `destination` through a temporary name beside it,
    // replacing no file of another name; false with a reason.
    static bool CopyFile(const QString& source, const QString& destination,
                         const std::function<bool(qint32 percent)>& keepGoing, QString* error);

private:
    std::unique_ptr<ItemJob> m_converter;
    components::Worker m_copier;
    bool m_copy = false;
};

} // namespace core

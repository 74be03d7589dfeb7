#include "conversion/ConversionLaunch.h"

#include "components/cAudioConverter.h"
#include "conversion/frmACMConverter.h"
#include "conversion/frmConverter.h"
#include "core/ConverterItemJob.h"

namespace conversion {

void ShowConverter(const toolframe::ToolLaunch& launch) {
    auto window =
        std::make_unique<frmConverter>(toolframe::MakeItemJob(launch.makeJob), launch.imgMenu, launch.owner);
    g_frmConverter = window.get();
    window->Form_Load();
    toolframe::ConnectToMainWindow(*window, launch);
    if (launch.mainGrid)
        window->HandOver(*launch.mainGrid, launch.listName, QStringLiteral(" items to convert."));
    toolframe::ShowToolModal(launch, window.get());
    g_frmConverter = nullptr;
}

void ShowACMConverter(const toolframe::ToolLaunch& launch) {
    std::unique_ptr<core::ItemJob> job = toolframe::MakeItemJob(launch.makeJob);
    // The codec lists come from the converter that converts, as one control does both.
    std::unique_ptr<components::cAudioConverter> ownCodecs;
    components::cAudioConverter* codecs = nullptr;
    if (auto* converterJob = dynamic_cast<core::ConverterItemJob*>(job.get()))
        codecs = &converterJob->Converter();
    else {
        ownCodecs = std::make_unique<components::cAudioConverter>();
        codecs = ownCodecs.get();
    }
    auto window = std::make_unique<frmACMConverter>(std::move(job), *codecs, launch.imgMenu, launch.owner);
    g_frmACMConverter = window.get();
    window->Form_Load();
    toolframe::ConnectToMainWindow(*window, launch);
    if (launch.mainGrid) {
        window->HandOver(*launch.mainGrid, launch.listName, QStringLiteral(" items to convert."));
        window->FillSourceList(*launch.mainGrid);
    }
    toolframe::ShowToolModal(launch, window.get());
    g_frmACMConverter = nullptr;
}

} // namespace conversion

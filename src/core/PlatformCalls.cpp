#include "core/PlatformCalls.h"

#include <chrono>

namespace core {

quint32 GetTickCount() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return quint32(quint64(ms.count()));
}

} // namespace core

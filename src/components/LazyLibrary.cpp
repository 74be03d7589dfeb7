#include "components/LazyLibrary.h"

#include <QFile>

#include <dlfcn.h>

namespace components::lazy {

Library::Library(const QStringList& files) {
    const QString folder = qEnvironmentVariable("CORVANE_LIBRARY_DIR");
    for (const QString& name : files) {
        const QString file = folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
        void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            m_openError = QString::fromLocal8Bit(dlerror());
            m_standIns = true;
            return;
        }
        m_handles.push_back(handle);
    }
}

QString Library::Error() const {
    if (!m_openError.isEmpty()) return m_openError;
    if (!m_unresolved.isEmpty()) return QStringLiteral("missing functions: ") + m_unresolved.join(", ");
    return {};
}

void* Library::find(const char* symbol) const {
    for (void* handle : m_handles)
        if (void* address = dlsym(handle, symbol)) return address;
    return nullptr;
}

} // namespace components::lazy

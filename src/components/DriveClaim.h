// The drives being burned in this process, each held by one burn for its
// life, so that two burners never write one drive (or one image folder).
#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QString>

namespace components {

class DriveClaim {
public:
    explicit DriveClaim(const QString& device) : m_device(device) {
        QMutexLocker lock(&mutex());
        m_held = !claimed().contains(device);
        if (m_held) claimed().insert(device);
    }
    ~DriveClaim() {
        QMutexLocker lock(&mutex());
        if (m_held) claimed().remove(m_device);
    }
    DriveClaim(const DriveClaim&) = delete;
    DriveClaim& operator=(const DriveClaim&) = delete;
    bool held() const { return m_held; }

private:
    static QMutex& mutex() {
        static QMutex m;
        return m;
    }
    static QSet<QString>& claimed() {
        static QSet<QString> s;
        return s;
    }
    QString m_device;
    bool m_held = false;
};

} // namespace components

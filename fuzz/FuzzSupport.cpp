#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

void EnsureApp() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

void DrainEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QString ScratchDir() {
    static QTemporaryDir dir;
    if (!dir.isValid()) Broken("cannot make the scratch folder");
    return dir.path();
}

QString WriteScratch(const QString& name, const uint8_t* data, size_t size) {
    const QString path = ScratchDir() + '/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        Broken("cannot write the scratch file");
    return path;
}

void Broken(const char* what) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

} // namespace fuzzing

#include "core/FileCopyClass.h"

#include "components/OutputFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace core {

namespace {
constexpr qint32 kDefaultChunk = 32000;
}

QString FileCopyClass::ErrorText() const {
    // Only read once the copy has finished; before that it is always empty.
    return m_done.load() ? m_error : QString();
}

void FileCopyClass::fail(const QString& text) {
    m_error = text;
}

void FileCopyClass::Copy(const QString& source, const QString& destination) {
    m_done = false;
    m_error.clear();
    m_successful = false;
    m_cancelled = false;
    m_percent = 0;
    const qint64 chunk = m_cacheSize > 0 ? m_cacheSize : kDefaultChunk;

    struct DoneMark {
        std::atomic<bool>& done;
        ~DoneMark() { done = true; }
    } doneMark{m_done};

    const QFileInfo sourceInfo(source);
    if (!sourceInfo.exists() || sourceInfo.isDir()) {
        fail(QStringLiteral("The file \"%1\" does not exist.").arg(source));
        return;
    }
    if (QFileInfo(destination).isDir()) {
        fail(QStringLiteral("\"%1\" is a folder.").arg(destination));
        return;
    }

    QElapsedTimer clock;
    clock.start();

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("The file \"%1\" could not be opened: %2").arg(source, in.errorString()));
        return;
    }
    QSaveFile out(destination);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("The file \"%1\" could not be created: %2").arg(destination, out.errorString()));
        return;
    }

    const qint64 length = in.size();
    qint64 readSoFar = 0;
    qint64 written = 0;
    QByteArray pending;
    auto writePending = [&]() -> bool {
        if (pending.isEmpty()) return true;
        if (!components::WriteAll(out, pending)) {
            fail(QStringLiteral("The file \"%1\" could not be written: %2")
                     .arg(destination, out.errorString()));
            return false;
        }
        written += pending.size();
        pending.clear();
        return true;
    };

    // Reads in chunks and writes in batches of two, so at most about three
    // chunks are held whatever the file's size.
    while (readSoFar < length) {
        if (m_cancel.load()) {
            out.cancelWriting();
            m_cancelled = true;
            return;
        }
        const QByteArray piece = in.read(std::min(chunk, length - readSoFar));
        if (piece.isEmpty()) {
            out.cancelWriting();
            fail(QStringLiteral("The file \"%1\" could not be read: %2").arg(source, in.errorString()));
            return;
        }
        readSoFar += piece.size();
        pending += piece;
        if (pending.size() >= 2 * chunk && !writePending()) {
            out.cancelWriting();
            return;
        }
        m_percent = static_cast<qint16>(std::nearbyint(100.0 * static_cast<double>(written) / length));
        if (onChunk) onChunk(readSoFar);
    }
    if (m_cancel.load()) {
        out.cancelWriting();
        m_cancelled = true;
        return;
    }
    if (!writePending()) {
        out.cancelWriting();
        return;
    }
    if (!out.commit()) {
        fail(QStringLiteral("The file \"%1\" could not be written: %2").arg(destination, out.errorString()));
        return;
    }
    m_successful = true;
    m_secondsTaken = static_cast<qint32>(std::llround(clock.elapsed() / 1000.0));
}

} // namespace core

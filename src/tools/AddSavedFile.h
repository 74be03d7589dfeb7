// Adding a file a tool window has just written to the shown items list.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace tools {

// Hands `path` to `addFiles` when it is a file with more than a WAV header in
// it; otherwise says why over `owner` and returns false.
bool AddSavedFile(QWidget* owner, const QString& path, const std::function<void(QStringList&)>& addFiles);

} // namespace tools

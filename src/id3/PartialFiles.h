// Hidden partial files, ".<name>.part-XXXXXX", written beside the file they
// become and renamed over it once complete, and temporary folders,
// "<prefix>XXXXXX", that a run fills and removes. Each is created under its
// folder's lock and held locked by its writer for as long as it is open, so a
// sweep removes only those whose writer is gone: the ones a killed run left.
#pragma once

#include <QString>

namespace id3 {

// True for a name a partial file has: a dot, at least one character,
// ".part-" and six letters or digits.
bool IsPartialFileName(const QString& fileName);

// Removes the partial files in the folder that no running writer holds.
// Never follows a link: only regular files directly in the folder go.
// Returns how many were removed.
int SweepPartialFiles(const QString& folder);

// Sweeps the folder, then creates ".<name>.part-XXXXXX" in it (the name cut,
// never inside a character, so that the whole fits the file system), locked
// until the returned descriptor is closed. -1, with the errno value in
// *error, when it cannot be made.
int CreatePartialFile(const QString& folder, const QString& name, QString* path, int* error);

// Sweeps the parent folder's stale "<prefix>XXXXXX" folders, then creates
// a new one, locked until the returned descriptor is closed. -1, with the
// errno value in *error, when it cannot be made.
int CreateTempFolder(const QString& parent, const QString& prefix, QString* path, int* error);

// Removes the folders "<prefix>XXXXXX" in the parent that no running run
// holds, with what is directly in them; a link in one goes, never what it
// leads to, and a link named like one is left alone. Returns how many.
int SweepTempFolders(const QString& parent, const QString& prefix);

// Removes what is directly in the folder (links as links), then the folder.
bool RemoveTempFolder(const QString& path);

} // namespace id3

// The keys of the main tree's nodes and the items-lists folder behind them.
// Widget-free: the tree itself is in ItemsTree.h.
//
//   items-lists root  "##MAINITEMS" + g_sItemsListDir
//   audio-CDs root    "##MAINCDS" + "Audio CDs"
//   CD drive          "##CD" + the drive name the ripper reports ("##CDE: Virtual drive (...)")
//   items list        the full path of its ".flst" file
#pragma once

#include <QString>
#include <QStringList>

namespace itemlists {

inline const QString kItemsListsRootPrefix = QStringLiteral("##MAINITEMS");
inline const QString kAudioCDsRootKey = QStringLiteral("##MAINCDSAudio CDs");
inline const QString kCDNodePrefix = QStringLiteral("##CD");
inline const QString kItemsListsRootText = QStringLiteral("Items Lists");
inline const QString kAudioCDsRootText = QStringLiteral("Audio CDs");
inline const QString kItemsListExt = QStringLiteral(".flst");

// Pictures of the menu image list the nodes show.
constexpr qint32 kImageItemsListsRoot = 17;
constexpr qint32 kImageCDDrive = 25;
constexpr qint32 kImageList = 42;
constexpr qint32 kImageListSelected = 43;
constexpr qint32 kImageAudioCDsRoot = 71;

// True when the key begins with "##CD" (case-sensitive).
bool IsCDNode(const QString& key);
// True when the key begins with "##MAIN" (case-sensitive).
bool IsMainNode(const QString& key);
// Characters 5 and 6 of a CD key: the drive ("E:").
QString GetCDNameNode(const QString& key);

// True for the file names that are items lists: ending with ".flst"
// (case-sensitive), with something before it.
bool IsItemsListFileName(const QString& fileName);
// The names of the items lists in the folder, sorted by name. Hidden files
// and folders are not lists.
QStringList ItemsListFileNames(const QString& folder);
// "New Items List n.flst" for the first n from 1 whose name is free in the folder.
QString GetNewItemsListName(const QString& folder);
// Makes sure the folder exists and holds at least one items list: creates the
// missing folder levels and, when no list is there, an empty (0-byte) list
// named by GetNewItemsListName. Returns the name of the list it created, ""
// when none was needed; `ok` is false when the folder or the file could not
// be made.
QString EnsureFirstItemsList(const QString& folder, bool* ok = nullptr);
// Creates an empty (0-byte) file; false when it exists already or cannot be made.
bool CreateEmptyFile(const QString& path);
// True when an entry of that name exists in the folder of the path, letter
// case aside (so "ABC.flst" is taken while "abc.flst" exists).
bool PathExistsIgnoringCase(const QString& path);

// A name a list may take: a legal file name (IsLegalFileName) that does not
// begin with "." (such a file is hidden, and its list would vanish from the tree).
bool IsLegalListName(const QString& name);

// "1 item not shown: its file is missing or unreadable", or for more than
// one "<n> items not shown: their files are missing or unreadable".
QString HiddenItemsText(qint32 count);

// The list summary of the status bar: "0 Items, 0 KB, 00:00:00" for no rows,
// else "<rows> Items, <size text>, <HH:MM:SS>".
QString ItemsListStatusText(qint32 rows, qint64 bytes, qint64 seconds);

} // namespace itemlists

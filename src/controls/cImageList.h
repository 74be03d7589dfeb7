#pragma once

#include <QIcon>
#include <QObject>
#include <QSize>
#include <QVector>

// An ordered set of pictures handed to menus, toolbars, the status bar, tab controls and grids.
// Pictures are numbered from 1 (ItemPicture); the controls take icon numbers counted from 0,
// -1 meaning none (IconForNumber).
class cImageList : public QObject {
    Q_OBJECT
public:
    explicit cImageList(QObject* parent = nullptr);

    // Picture of 1-based index; a null icon outside 1..Count().
    QIcon ItemPicture(qint32 index) const;
    // Picture of a 0-based icon number as the controls pass it; -1 (or any unknown number) gives none.
    QIcon IconForNumber(qint32 icon) const;

    qint32 Count() const { return static_cast<qint32>(m_pictures.size()); }
    // Appends a picture and returns its 1-based index.
    qint32 AddPicture(const QIcon& picture);
    void Clear();

    QSize IconSize() const { return m_iconSize; }
    void setIconSize(const QSize& size) { m_iconSize = size; }

    // Loads every *.png of a folder in file-name order, replacing the current pictures.
    // Returns false (and keeps the pictures) when the folder holds no readable PNG.
    bool LoadFromFolder(const QString& folder);

    // Fills the list with the program's built-in set of StandardCount pictures, so that
    // every icon number the windows use shows a picture.
    void LoadStandardSet();
    static constexpr qint32 StandardCount = 90;
    // The built-in set of the items grid and tree: the standard set, with the
    // grid's own cell pictures at 0 (not marked), 1 (marked), 3 (audio) and 4 (data).
    void LoadGridSet();

private:
    QVector<QIcon> m_pictures;
    QSize m_iconSize{16, 16};
};

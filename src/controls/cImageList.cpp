#include "controls/cImageList.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

cImageList::cImageList(QObject* parent) : QObject(parent) {}

QIcon cImageList::ItemPicture(qint32 index) const {
    if (index < 1 || index > Count()) return {};
    return m_pictures.at(index - 1);
}

QIcon cImageList::IconForNumber(qint32 icon) const {
    if (icon < 0) return {};
    return ItemPicture(icon + 1);
}

qint32 cImageList::AddPicture(const QIcon& picture) {
    m_pictures.append(picture);
    return Count();
}

void cImageList::Clear() {
    m_pictures.clear();
}

bool cImageList::LoadFromFolder(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList({"*.png", "*.PNG"}, QDir::Files, QDir::Name);
    QVector<QIcon> loaded;
    for (const QString& name : names) {
        const QPixmap pixmap(dir.filePath(name));
        if (pixmap.isNull()) continue;
        loaded.append(QIcon(pixmap));
    }
    if (loaded.isEmpty()) return false;
    m_pictures = loaded;
    return true;
}

namespace {

// A drawn picture for numbers without a fitting standard icon: a coloured tile with one of
// four marks, so neighbouring numbers look different.
QIcon drawnPicture(qint32 number) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor tile = QColor::fromHsv((number * 47) % 360, 150, 200);
    p.setPen(tile.darker(150));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    switch (number % 4) {
    case 0:
        p.drawEllipse(QRectF(10, 10, 12, 12));
        break;
    case 1: {
        QPainterPath path;
        path.moveTo(16, 8);
        path.lineTo(24, 23);
        path.lineTo(8, 23);
        path.closeSubpath();
        p.drawPath(path);
        break;
    }
    case 2:
        p.drawRect(QRectF(8, 13, 16, 6));
        break;
    default:
        p.drawRect(QRectF(10, 10, 12, 12));
        break;
    }
    return QIcon(pixmap);
}

// Standard pictures for the icon numbers whose meaning the windows fix.
QStyle::StandardPixmap standardFor(qint32 number, bool* found) {
    *found = true;
    switch (number) {
    case 0:
        return QStyle::SP_ArrowUp; // Move Up
    case 1:
        return QStyle::SP_ArrowDown; // Move Down
    case 3:
        return QStyle::SP_TrashIcon; // Remove Item
    case 4:
        return QStyle::SP_DirIcon; // folders
    case 5:
        return QStyle::SP_DialogSaveButton; // Save As
    case 8:
        return QStyle::SP_FileDialogDetailedView; // Notes
    case 12:
        return QStyle::SP_DialogHelpButton; // Help Topics
    case 13:
        return QStyle::SP_MediaPlay; // player: Play
    case 14:
        return QStyle::SP_MediaStop; // player: Stop
    case 16:
        return QStyle::SP_MediaPause; // player: Pause
    case 17:
        return QStyle::SP_ComputerIcon; // tree roots
    case 22:
        return QStyle::SP_MessageBoxInformation; // About, FreeDB
    case 25:
        return QStyle::SP_DriveCDIcon; // CD drives, ripper
    case 27:
        return QStyle::SP_DialogCloseButton; // Exit, Remove All
    case 32:
        return QStyle::SP_FileDialogContentsView; // Edit
    case 38:
        return QStyle::SP_MediaPlay; // Play, System Player
    case 39:
        return QStyle::SP_FileIcon; // Add Files
    case 42:
        return QStyle::SP_DirClosedIcon; // items lists
    case 43:
        return QStyle::SP_DirOpenIcon; // selected items list
    case 48:
        return QStyle::SP_FileDialogNewFolder; // New Items List
    case 50:
        return QStyle::SP_DialogDiscardButton; // Remove Items List
    case 51:
        return QStyle::SP_FileDialogInfoView; // Items List Properties
    case 71:
        return QStyle::SP_DriveDVDIcon; // audio CD node
    case 74:
        return QStyle::SP_DialogApplyButton; // Mark/Unmark All
    case 76:
        return QStyle::SP_TitleBarMinButton; // Minimize
    case 78:
        return QStyle::SP_DialogCloseButton; // Exit
    case 79:
        return QStyle::SP_MediaVolume; // Master Volume
    case 80:
        return QStyle::SP_MediaSkipBackward; // Move To First
    case 81:
        return QStyle::SP_MediaSkipForward; // Move To Last
    default:
        *found = false;
        return QStyle::SP_CustomBase;
    }
}

} // namespace

void cImageList::LoadStandardSet() {
    m_pictures.clear();
    QStyle* style = QApplication::style();
    for (qint32 number = 0; number < StandardCount; ++number) {
        bool found = false;
        const QStyle::StandardPixmap sp = standardFor(number, &found);
        QIcon icon;
        if (found && style) icon = style->standardIcon(sp);
        if (icon.isNull()) icon = drawnPicture(number);
        m_pictures.append(icon);
    }
}

namespace {

// A check box, ticked or not: the mark of an item row.
QIcon markPicture(bool marked) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(5, 5, 22, 22), 4, 4);
    if (marked) {
        p.setPen(QPen(QColor(30, 140, 60), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(9, 16);
        tick.lineTo(14, 21);
        tick.lineTo(23, 10);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    return QIcon(pixmap);
}

// A note for audio items.
QIcon audioPicture() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 80, 170);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(6, 20, 9, 7));
    p.drawEllipse(QRectF(18, 17, 9, 7));
    p.setPen(QPen(ink, 2.5));
    p.drawLine(QPointF(14, 23), QPointF(14, 6));
    p.drawLine(QPointF(26, 20), QPointF(26, 4));
    p.setPen(QPen(ink, 4));
    p.drawLine(QPointF(14, 7), QPointF(26, 5));
    return QIcon(pixmap);
}

} // namespace

void cImageList::LoadGridSet() {
    LoadStandardSet();
    m_pictures[0] = markPicture(false);
    m_pictures[1] = markPicture(true);
    m_pictures[3] = audioPicture();
    if (QStyle* style = QApplication::style()) m_pictures[4] = style->standardIcon(QStyle::SP_FileIcon);
}

#include "controls/cImageList.h"

#include <QApplication>
#include <QDir>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include <functional>
#include <memory>

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

// Makes a picture only when something first draws or measures it. The style's
// pictures are PNGs decoded at every size they come in, and a window shows a
// handful of the ninety numbers: decoding them all up front held up the start.
// Copies of the icon share what was made.
class DeferredIconEngine final : public QIconEngine {
public:
    explicit DeferredIconEngine(std::function<QIcon()> make) : m_state(std::make_shared<State>()) {
        m_state->make = std::move(make);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    // `size` comes in device pixels; QIcon::pixmap takes it without the scale.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return icon().pixmap(scale > 0 ? size / scale : size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    QString key() const override { return QStringLiteral("cImageListDeferred"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(m_state); }
    // Every maker returns a picture (a drawn one when the style has none).
    bool isNull() override { return false; }

private:
    struct State {
        std::function<QIcon()> make;
        QIcon icon;
        bool made = false;
    };
    explicit DeferredIconEngine(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    const QIcon& icon() {
        if (!m_state->made) {
            m_state->made = true;
            m_state->icon = m_state->make();
            m_state->make = nullptr;
        }
        return m_state->icon;
    }

    std::shared_ptr<State> m_state;
};

QIcon deferred(std::function<QIcon()> make) {
    return QIcon(new DeferredIconEngine(std::move(make)));
}

// The style's picture for a standard pixmap, or the drawn one of the number.
QIcon styleOrDrawn(QStyle::StandardPixmap sp, qint32 number) {
    QIcon icon;
    if (QStyle* style = QApplication::style()) icon = style->standardIcon(sp);
    return icon.isNull() ? drawnPicture(number) : icon;
}

// The built-in set, made once per process (on the GUI thread) and shared by
// every image list: icons are implicitly shared, and each picture is only made
// when first drawn.
const QVector<QIcon>& standardSet() {
    // Never destroyed: pictures must not outlive the application object.
    static const QVector<QIcon>* const set = [] {
        auto* pictures = new QVector<QIcon>;
        pictures->reserve(cImageList::StandardCount);
        for (qint32 number = 0; number < cImageList::StandardCount; ++number) {
            bool found = false;
            const QStyle::StandardPixmap sp = standardFor(number, &found);
            if (found)
                pictures->append(deferred([sp, number] { return styleOrDrawn(sp, number); }));
            else
                pictures->append(deferred([number] { return drawnPicture(number); }));
        }
        return pictures;
    }();
    return *set;
}

} // namespace

void cImageList::LoadStandardSet() {
    m_pictures = standardSet();
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
    // Made once and shared (and never destroyed), like the standard set.
    static const QIcon* const pictures =
        new QIcon[4]{deferred([] { return markPicture(false); }), deferred([] { return markPicture(true); }),
                     deferred(audioPicture), deferred([] { return styleOrDrawn(QStyle::SP_FileIcon, 4); })};
    m_pictures[0] = pictures[0];
    m_pictures[1] = pictures[1];
    m_pictures[3] = pictures[2];
    m_pictures[4] = pictures[3];
}

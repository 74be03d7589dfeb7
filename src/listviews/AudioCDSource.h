// Audio CDs as sources in the main window: the tracks of the disc in the
// selected drive as item rows, the poll that notices a disc coming in or
// going out, the "-addaudiocd" start, and the ripper's errors.
//
// The main window owns one AudioCDSource beside its ItemsTree, puts
// LoadAudioCD into the tree's link and forwards tmrCDs ticks here.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class cGrid;
class cTreeView;
class cTreeViewNode;

namespace components {
class cAudioCDRipper;
}

namespace listviews {

class ItemsTree;

// The empty-list panel's text for a CD drive without a readable audio disc.
inline const QString kInsertAudioCDText = QStringLiteral("Insert an Audio CD to the CD drive.");
// Bytes of one second of CD audio (44.1 kHz, 16-bit stereo).
constexpr qint64 kCDBytesPerSecond = 176400;

class AudioCDSource : public QObject {
    Q_OBJECT
public:
    // `lists` gives the main window's link (progress, panels, pointer), the
    // status text and the node click; `owner` owns the message boxes.
    AudioCDSource(ItemsTree& lists, cTreeView& cTreeView1, cGrid& cGrid1,
                  components::cAudioCDRipper& cAudioCDRipper1, QWidget* owner, QObject* parent = nullptr);
    ~AudioCDSource() override;

    // The main window's "FreeDB" command, run after a disc was loaded when
    // settings::g_bAutoFreeDB is set. Empty: no lookup.
    std::function<void()> RunFreeDB;

    // Fills the grid with the tracks of the disc in the selected drive node's
    // drive (`sDrive`, such as "E:", names the same drive). No readable audio
    // disc leaves an empty grid and the empty-list panel asking for one.
    void LoadAudioCD(const QString& sDrive);
    // The ripper's number of the selected node's drive: the last drive whose
    // name begins with the node's letter; 0 when none does.
    qint32 GetSelectedDriveIndex() const;
    // One tick of tmrCDs: reloads the selected drive's node when its disc
    // came in or went out, and gives every empty drive its letter back as caption.
    void tmrCDs_Timer();
    // Clicks the first drive node whose disc has tracks ("-addaudiocd").
    // False (nothing selected) when no drive holds such a disc.
    bool SelectFirstAudioCD();

public slots:
    // The ripper's Error event: its message with the code in brackets.
    void cAudioCDRipper1_RipError(qint32 Code, const QString& Message);

private:
    // The ripper's number for the i-th (from 1) drive node.
    qint32 DriveOfNode(const cTreeViewNode& node, qint32 place) const;
    void WriteTrackRow(qint32 row, qint32 track, const QString& sDrive);
    void ShowInsertDisc();

    ItemsTree& m_lists;
    cTreeView& m_tree;
    cGrid& m_grid;
    components::cAudioCDRipper& m_ripper;
    QPointer<QWidget> m_owner;
    bool m_bLoading = false;
    // The drives are being polled: a load then is not the user's, and says nothing.
    bool m_polling = false;
};

} // namespace listviews

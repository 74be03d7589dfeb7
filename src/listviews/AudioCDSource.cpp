#include "listviews/AudioCDSource.h"

#include "components/DriveRegistry.h"
#include "components/cAudioCDRipper.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/Services.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFileTime.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "itemlists/TreeKeys.h"
#include "listviews/ItemsTree.h"
#include "settings/SettingsVariables.h"

namespace listviews {

using namespace itemlists;

AudioCDSource::AudioCDSource(ItemsTree& lists, cTreeView& cTreeView1, cGrid& cGrid1,
                             components::cAudioCDRipper& cAudioCDRipper1, QWidget* owner, QObject* parent)
    : QObject(parent), m_lists(lists), m_tree(cTreeView1), m_grid(cGrid1), m_ripper(cAudioCDRipper1),
      m_owner(owner) {}

AudioCDSource::~AudioCDSource() = default;

qint32 AudioCDSource::GetSelectedDriveIndex() const {
    const QString drive = GetCDNameNode(m_tree.SelectedItem().Key());
    qint32 result = 0;
    const qint32 count = m_ripper.DeviceCount();
    // The last match wins.
    for (qint32 i = 0; i < count; ++i)
        if (m_ripper.DeviceName(i).left(2) == drive) result = i;
    return result;
}

qint32 AudioCDSource::DriveOfNode(const cTreeViewNode& node, qint32 place) const {
    // By the node's letter, so a drive list that changed since the tree was
    // built still finds the right drive; by its place when the letter is gone.
    const qint32 drive = components::DriveRegistry::instance().indexOf(GetCDNameNode(node.Key()));
    return drive >= 0 ? drive : place - 1;
}

void AudioCDSource::ShowInsertDisc() {
    const MainWindowLink& link = m_lists.link();
    itemlists::MainWindowLink::Call(link.EmptyPanel, "EmptyPanel", true, kInsertAudioCDText);
}

void AudioCDSource::WriteTrackRow(qint32 row, qint32 track, const QString& sDrive) {
    const bool audio = m_ripper.TrackType(track) == 1;
    const qint32 seconds = m_ripper.TrackLength(track);
    // The exact bytes of the track's sectors: whole seconds would drop up to
    // a second of audio from every size and total.
    qint64 bytes = qint64(seconds) * kCDBytesPerSecond;
    const QList<components::DiscTrack>& tracks = m_ripper.disc().tracks;
    if (track >= 1 && track <= tracks.size())
        bytes = qint64(tracks[track - 1].sectors) * components::DriveRegistry::kAudioSectorBytes;

    QString path = m_ripper.TrackPath(track);
    if (path.isEmpty()) path = components::DriveRegistry::trackPath(sDrive, track);
    // A track has no file of its own; only a mounted disc could give a time.
    QDateTime created = core::GetFileCreatedDate(components::DriveRegistry::localPath(path));
    if (!created.isValid() || created == core::ZeroDate()) created = core::services().now();

    auto col = [this](const QString& key) { return m_grid.ColumnIndex(key); };
    m_grid.CellDetails(row, col(COL_INC), QVariant(), cGrid::FormatIcon, audio ? ICON_MARKED : ICON_UNMARKED);
    m_grid.CellDetails(row, col(COL_TYPE), QString(), cGrid::FormatIcon,
                       GetTypeIcon(audio ? QStringLiteral("Audio") : QStringLiteral("Data")));
    m_grid.CellDetails(row, col(COL_ITEM_NAME),
                       QStringLiteral("Track") + QString::number(track).rightJustified(2, QLatin1Char('0')) +
                           QStringLiteral(".cda"));
    m_grid.CellDetails(row, col(COL_TIME), FormatTwoDigitTime(seconds));
    m_grid.CellDetails(row, col(COL_SIZE), core::FormatFileSize(bytes));
    m_grid.CellDetails(row, col(COL_FILE), path);
    m_grid.CellDetails(row, col(COL_CREATED), created);
    m_grid.CellDetails(row, col(COL_RANGE), kRangeAllText);
    m_grid.CellDetails(row, col(COL_RANGE_ALL), QStringLiteral("1"));
    m_grid.CellDetails(row, col(COL_BYTES_SIZE), QString::number(bytes));
    m_grid.CellDetails(row, col(COL_TAG_ALBUM), settings::g_sTagAlbum);
    m_grid.CellDetails(row, col(COL_TAG_ARTIST), settings::g_sTagArtist);
    m_grid.CellDetails(row, col(COL_TAG_COMMENT), settings::g_sTagComment);
    m_grid.CellDetails(row, col(COL_TAG_GEN), settings::g_sTagGenre);
    m_grid.CellDetails(row, col(COL_TAG_YEAR), settings::g_sTagYear);
    m_grid.CellDetails(row, col(COL_TAG_TITLE), settings::g_sTagSong);
    m_grid.CellDetails(row, col(COL_TAG_TRACK), settings::g_sTagTrack);
}

void AudioCDSource::LoadAudioCD(const QString& sDrive) {
    if (m_bLoading) return;
    m_bLoading = true;
    const MainWindowLink& link = m_lists.link();
    itemlists::MainWindowLink::Call(link.BusyPointer, "BusyPointer", true);

    const qint32 drive = GetSelectedDriveIndex();
    m_grid.Clear();
    m_grid.setRedraw(false);
    // A disc is no list: nothing of the list shown before may be saved with it.
    m_lists.holder().Reset(QString());

    if (m_ripper.SelectDevice(drive)) {
        if (m_ripper.IsAudioCD()) {
            const qint32 count = m_ripper.TrackCount();
            itemlists::MainWindowLink::Call(link.ShowProgress, "ShowProgress", true);
            for (qint32 i = 1; i <= count; ++i) {
                itemlists::MainWindowLink::Call(link.SetProgress, "SetProgress", i, count);
                WriteTrackRow(i, i, sDrive);
            }
            m_grid.setRedraw(true);
        } else {
            m_grid.Clear();
            ShowInsertDisc();
            if (!m_ripper.IsDiscIn() && !m_polling)
                core::services().msgBox(m_owner, QStringLiteral("There is no CD in the drive."),
                                        core::vbInformation, core::AppTitle());
        }
    }

    if (m_grid.Rows() > 0) {
        itemlists::MainWindowLink::Call(link.EmptyPanel, "EmptyPanel", false, QString());
        m_grid.setRedraw(true);
        m_grid.setSelectedRow(settings::g_bSelectTheLastItem ? m_grid.Rows() : 1);
        itemlists::MainWindowLink::Call(link.PanelText, "PanelText", QStringLiteral("Main"),
                                        QStringLiteral("Ready."));
        m_lists.DisplayGridInfoStatusBar();
        // The lookup may open a window; the tree must accept clicks again by then.
        itemlists::MainWindowLink::Call(link.ShowProgress, "ShowProgress", false);
        if (settings::g_bAutoFreeDB && RunFreeDB) RunFreeDB();
    } else {
        ShowInsertDisc();
    }

    m_lists.DisplayGridInfoStatusBar();
    itemlists::MainWindowLink::Call(link.ShowProgress, "ShowProgress", false);
    itemlists::MainWindowLink::Call(link.BusyPointer, "BusyPointer", false);
    m_bLoading = false;
}

void AudioCDSource::tmrCDs_Timer() {
    const cTreeViewNode root = g_cAudioCDsNode;
    if (root.isNull()) return;
    const cTreeViewNodes nodes = root.Children();
    for (qint32 i = 1; i <= nodes.Count(); ++i) {
        cTreeViewNode node = nodes.Item(i);
        if (node.isNull()) continue;
        const qint32 d = DriveOfNode(node, i);
        if (!m_ripper.SelectDevice(d)) continue;
        const QString name = m_ripper.DeviceName(d);
        const bool selected = m_tree.SelectedItem().Key() == kCDNodePrefix + name;
        // A disc that came or went is the drive's news, not the user's doing.
        m_polling = true;
        if (m_ripper.TrackCount() >= 1) {
            // A disc came in while its drive shows the empty panel.
            if (selected && m_grid.Rows() == 0) m_lists.cTreeView1_NodeClick(node);
        } else {
            if (selected && m_grid.Rows() > 0) m_lists.cTreeView1_NodeClick(node);
            // The title lookup's caption goes with the disc.
            node.setText(name.left(2));
        }
        m_polling = false;
    }
}

bool AudioCDSource::SelectFirstAudioCD() {
    const cTreeViewNode root = g_cAudioCDsNode;
    if (root.isNull()) return false;
    const cTreeViewNodes nodes = root.Children();
    for (qint32 i = 1; i <= nodes.Count(); ++i) {
        const cTreeViewNode node = nodes.Item(i);
        if (node.isNull()) continue;
        if (m_ripper.SelectDevice(DriveOfNode(node, i)) && m_ripper.TrackCount() >= 1) {
            m_lists.cTreeView1_NodeClick(node);
            return true;
        }
    }
    return false;
}

void AudioCDSource::cAudioCDRipper1_RipError(qint32 Code, const QString& Message) {
    core::services().msgBox(m_owner,
                            Message + QStringLiteral(" (") + QString::number(Code) + QStringLiteral(")"),
                            core::vbOKOnly, core::g_sProductName);
}

} // namespace listviews

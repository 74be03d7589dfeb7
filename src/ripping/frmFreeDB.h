// The FreeDB window: looks up the audio CD of the selected CD node on a CDDB
// server and writes the titles, artist and album into the main window's CD
// rows, then names the CD node "artist - album".
//
// A lookup is bound to the CD node it started for: once another node is
// selected its events are dropped, and only that CD node is ever renamed.
#pragma once

#include "toolframe/ToolLaunch.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>

class QLabel;
class Glimmet;
class cLinkLabel;
class QPushButton;

namespace components {
class cFreeDB;
}

namespace ripping {

// The CDDB server the window asks (the component's CORVANE_CDDB_SERVER still wins).
extern QString g_sFreeDBServer;

class frmFreeDB : public QDialog {
    Q_OBJECT
public:
    // Writes to the launch's main grid and tree; renames the CD node through it.
    explicit frmFreeDB(const toolframe::ToolLaunch& target, QWidget* parent = nullptr);
    ~frmFreeDB() override;

    // Starts a lookup for the selected CD node with the connection check.
    // True: started, show the window modally (a failed check then says so and
    // unloads it); false: a lookup of this window is still going.
    bool GetFreeDB();
    // A connection check or a lookup is going.
    bool Busy() const;
    // Stops the lookup and closes the window for good.
    void Unload();

    QLabel* lblTitle = nullptr;
    QLabel* lblCurrentTrack = nullptr;
    QLabel* lblArtist = nullptr;
    QLabel* lblAlbumName = nullptr;
    Glimmet* prgCurrnet = nullptr;
    QPushButton* cmdAbort = nullptr;
    components::cFreeDB* cFreeDB1 = nullptr;

public slots:
    void cmdAbort_Click();
    void cFreeDB1_QueryState(const QString& text);
    void cFreeDB1_QueryInfo(const QString& text);
    void cFreeDB1_AlbumArtist(const QString& artist);
    void cFreeDB1_AlbumTitle(const QString& album);
    void cFreeDB1_TrackInfo(const QString& artist, qint32 track, const QString& title);
    void cFreeDB1_QueryDone();
    void cFreeDB1_QueryError(qint32 code, const QString& message);
    void cFreeDB1_ConnectionChecked(bool connected);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    // The events of a lookup count only while its CD node is the selected one.
    bool BoundNodeSelected() const;

    QWidget* picTitle = nullptr;
    toolframe::ToolLaunch m_target;
    QString m_nodeKey;
    bool m_unloading = false;
    bool m_checking = false; // the connection check of GetFreeDB has not answered yet
};

// The program-wide window; null while not loaded.
extern QPointer<frmFreeDB> g_frmFreeDB;

// The "FreeDB" command's checks: false for an empty grid, and false after a
// message when no CD node is selected.
bool FreeDBCommandAccepted(const toolframe::ToolLaunch& launch);
// The "FreeDB" command of the main window after it has left the topmost
// level: its checks (FreeDBCommandAccepted), then the lookup with the window
// shown modally. Returns true when a lookup started.
bool ShowFreeDB(const toolframe::ToolLaunch& launch);
// The "FreeDB" command's open function (the result is the command's business).
void OpenFreeDB(const toolframe::ToolLaunch& launch);
// Releases the client of the loaded window (the main window's exit).
void CloseFreeDBClient();

} // namespace ripping

// The general, end-of-job and default-tag settings as one widget-free record:
// loaded from the store under "General", "Events" and "ID3 Tags", written
// back from it, and copied into the program-wide settings variables.
//
// The record is a picture of the Options dialog's controls: a stored value is
// taken by the rules of the control it belongs to (a refused value leaves
// the field as it was), and the variables follow the fields. The dialog
// copies its widgets into a record and back (frmOptions::Controls and
// SetControls); everything else runs without widgets.
#pragma once

#include "settings/EncoderSettings.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace core {
class RegistryRoutines;
}

namespace settings {

struct tOptionsRecord {
    // General
    tPickList cboDevices;            // always empty: only -1 can be taken
    tPickList cboTargetFormat;       // the offered output formats
    tPickList cboFileName;           // the file-name templates
    QString txtToPath;               // the items-lists folder as typed or loaded
    QStringList txtToPathItems;      // the folder list (the path history)
    qint16 chkSelectTheLastItem = 0; // check boxes: 0 unchecked, 1 checked, 2 greyed
    qint16 chkAutoFreeDB = 0;
    qint16 chkSaveLogWhenExit = 0;
    qint16 chkDisplayMSGWhenExit = 0;
    qint16 chkDisplayMSGWhenErase = 0;
    qint16 chkGoToNextItem = 0;
    qint16 chkDisplayPlayer = 0;
    qint16 chkClearOnExit = 0;
    qint16 chkDisplayAudioGraph = 0;
    qint16 chkMenuXPStyle = 0;
    qint16 chkDisplayGridHotTrack = 0;
    qint16 chkDisplayTitle = 0;
    qint16 chkDisplayGridLine = 0;
    qint32 picColor = 0; // 0x00BBGGRR, or 0x800000NN for a system colour
    qint32 picTextColor = 0;
    qint16 chkRunWhenWinStarts = 0; // shows the real run-at-start entry; stored there, not as a value
    qint16 chkDisplayLiveUpdateWindow = 0;
    qint16 chkAutoUpdate = 0;
    // Events
    qint16 chkOpenDestFolder = 0;
    qint16 chkTurnOffComputer = 0;
    qint16 chkPlaySound = 0;
    QString txtPlayAtEnd; // the sound's full path
    qint16 chkNoticeApp = 0;
    QString txtAppNotice;
    // ID3 Tags
    qint16 chkCopyID3FromSource = 0;
    QString txtTagArtist;
    QString txtTagSong;
    QString txtTagAlbum;
    QString txtTagGenre;
    QString txtTagTrack;
    QString txtTagYear;
    QString txtTagComment;
};

// "SOFTWARE\<maker>\<product>", the root of the three subkeys.
QString OptionsKeyRoot();
// The file-name templates: the non-empty lines of FileNameFormats.txt in the
// program folder when it exists, else the six designed templates.
QStringList FileNameFormatEntries();
// Colour numbers a swatch takes: 0x00BBGGRR, or a system colour 0x800000NN.
bool IsColorNumber(qint32 color);

// The lists the dialog fills when it loads, before the stored values: the
// offered formats and the templates (nothing chosen), the path history with
// its newest folder (the program folder's "Main" when there is none).
void PresetOptions(tOptionsRecord& r);

// Reads every value into the record by the controls' rules, then sets the
// settings variables from it (SetOptionsVariables). The default lists folder
// is created and entered into the path history when none is stored. `reg`
// has its root and key path set; its Subkey is changed.
void LoadOptions(core::RegistryRoutines& reg, tOptionsRecord& r);
// What storing the options came to.
struct StoreOutcome {
    bool stored = false;             // every value was written
    bool listsFolderChanged = false; // g_sItemsListDir changed (case counts)
    QString error;                   // why nothing was stored
};
// Writes every value in the fixed order as one transaction: all of them, or
// none when one cannot be written (nothing else changes then). Once they are
// in: the run-at-start entry, and g_sItemsListDir becomes the folder (with
// its closing "/").
StoreOutcome StoreOptions(core::RegistryRoutines& reg, const tOptionsRecord& r);
// Every settings variable from the record. g_sTargetFormat is left alone
// unless `withTargetFormat` (a load without a stored format keeps it).
void SetOptionsVariables(const tOptionsRecord& r, bool withTargetFormat = true);

// The whole load without a dialog: presets, stored values, variables.
tOptionsRecord LoadOptionsSettings();

} // namespace settings

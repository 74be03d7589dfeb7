// The output format list in a combo box.
#include "dialogs/mdlSupportedDestinationGui.h"

#include "core/mdlSupportedDestination.h"

#include <QComboBox>
#include <QtTest>

using namespace core;
using namespace dialogs;

class tst_supporteddestinationgui : public QObject {
    Q_OBJECT
private slots:
    void fillDestinationFormats() {
        QComboBox combo;
        combo.addItems({"stale 1", "stale 2", "stale 3", "stale 4"});
        g_lDestOGG = 1; // a later fill sets the switches to this build's values again
        FillDestinationFormats(&combo);
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.itemText(0), QString("WAV - Waveform Audio Format (*.wav)"));
        QCOMPARE(combo.itemText(1), QString("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"));
        QCOMPARE(combo.itemText(2), QString("WMA - Windows Media Audio files (*.wma)"));
        QCOMPARE(QList<qint32>({g_lDestWAV, g_lDestACM, g_lDestMP3, g_lDestWMA, g_lDestOGG, g_lDestAPE}),
                 QList<qint32>({1, 0, 1, 1, 0, 0}));
        // Every text of the list maps back to its own code.
        QCOMPARE(GetDestinationFormatCode(combo.itemText(1)), qint32(fmtMP3));
        QCOMPARE(DestinationFormatText(fmtAPE), QString("APE - Monkey 's Audio (*.ape)"));
        QCOMPARE(DestinationFormatText(6), QString());
    }
};

QTEST_MAIN(tst_supporteddestinationgui)
#include "tst_supporteddestinationgui.moc"

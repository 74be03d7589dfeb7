// Converts one file, into a temporary PCM WAV for the analyser or into a
// chosen format for the speech window, and closes itself when it is done.
// Its caller learns how it ended: done, aborted or failed.
#pragma once

#include "core/ItemJob.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTimer;
class Glimmet;

class frmAudioEditorProc : public QDialog {
    Q_OBJECT
public:
    enum class Outcome { None, Done, Aborted, Failed };
    Q_ENUM(Outcome)

    explicit frmAudioEditorProc(std::unique_ptr<core::ItemJob> job, QWidget* parent = nullptr);
    ~frmAudioEditorProc() override;

    void Form_Load();
    // Stores the paths and arms the start; returns at once. The conversion
    // starts at the first tick of Timer1, inside the caller's modal show.
    void ConvertFile(const QString& sSource, const QString& sDest);
    void ConvertX();

    // True: the next conversion goes to the format of g_sConvertToTarget with
    // the default tags; false: a PCM WAV in the saved WAV settings, no tags.
    // Both outlive the window and go back to false when a conversion ends.
    static bool g_bConvertTo;
    static QString g_sConvertToTarget;

    // How the last conversion ended (None while it runs).
    Outcome Result() const { return m_result; }

    QLabel* lblCurrentTrack = nullptr;
    Glimmet* prgCurrnet = nullptr;
    QPushButton* cmdAbort = nullptr;
    QTimer* Timer1 = nullptr;

signals:
    // How the conversion ended, before the window closes itself (or stays open after an error).
    void Ended(frmAudioEditorProc::Outcome outcome);

public slots:
    void Timer1_Timer();
    void cmdAbort_Click();
    void cAudioConverter1_Progress(qint32 lPercent);
    void cAudioConverter1_Done();
    void cAudioConverter1_Aborted();
    void cAudioConverter1_Error(qint32 lCode, const QString& sDescription);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Form_Unload();
    void Finish(Outcome outcome);
    std::unique_ptr<core::ItemJob> m_job;
    QString g_sConvertSource;
    QString g_sConvertDest;
    bool m_converting = false;
    bool m_unloaded = false;
    Outcome m_result = Outcome::None;
};

namespace toolframe {
extern QPointer<frmAudioEditorProc> g_frmAudioEditorProc;

// The analyser's and the speech window's one-file conversion: loads
// g_frmAudioEditorProc, converts `source` into `dest` (a PCM WAV, or the
// format of frmAudioEditorProc::g_sConvertToTarget when g_bConvertTo is set)
// and shows the window modally until it closes. Only Done means `dest` holds
// the result. With no makeJob the real converter does the work.
frmAudioEditorProc::Outcome
ConvertFileModal(QWidget* owner, const QString& source, const QString& dest,
                 const std::function<std::unique_ptr<core::ItemJob>()>& makeJob = {},
                 const std::function<void(QDialog*)>& beforeShow = {});
} // namespace toolframe

// The small modal window of the "Save As" command: where from, where to, a
// progress bar and a state line. The copy runs on a worker thread so the
// window stays responsive; it closes itself once the copy is over.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QCloseEvent;
class QFrame;
class QLabel;
class QPushButton;
class QThread;
class QTimer;
class Glimmet;

namespace core {
class FileCopyClass;
}

class frmFileCopy : public QDialog {
    Q_OBJECT
public:
    explicit frmFileCopy(QWidget* parent = nullptr);
    ~frmFileCopy() override;

    // The file to copy and the target path, set by the caller before the window is shown.
    QString g_sSourceFile;
    QString g_sDestFile;

    void Form_Load();
    // Starts one copy with its display. Returns at once; the copy ends in CopyEnded.
    void FileCopyEx(const QString& source, const QString& destination);
    // True while a copy runs.
    bool IsCopying() const { return m_thread != nullptr; }
    // Handed to each copy's FileCopyClass::onChunk (runs on the copying thread).
    std::function<void(qint64 bytesRead)> onChunk;

    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblFrom = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblTo = nullptr;
    Glimmet* ProgressBar1 = nullptr;
    QLabel* lblState = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdExit = nullptr;
    QTimer* tmrStart = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* tmrEnd = nullptr;

signals:
    // A copy has ended (successful, failed or cancelled) and the display is updated.
    void CopyEnded(bool successful);

public slots:
    void tmrStart_Timer();
    void Timer1_Timer();
    void tmrEnd_Timer();
    void cmdOk_Click();
    // Closes the window; while a copy runs it cancels the copy instead.
    void cmdExit_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private slots:
    void CopyFinished();

private:
    std::unique_ptr<core::FileCopyClass> m_cFileCopy;
    QThread* m_thread = nullptr;
};

namespace dialogs {
// The file-copy window while it is loaded.
extern QPointer<frmFileCopy> g_frmFileCopy;

// The "Save As" sequence: loads the window, hands it the two paths, starts
// the copy 100 ms after the window has appeared and shows it modally.
// Returns when the window has closed.
void ShowFileCopy(QWidget* owner, const QString& source, const QString& destination);
} // namespace dialogs

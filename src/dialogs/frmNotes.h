// The user's free-form notes: one text file in the program folder, edited in
// a modeless window that saves it when it closes.
#pragma once

#include <QPointer>
#include <QWidget>

class QCloseEvent;
class QPlainTextEdit;
class QResizeEvent;

class frmNotes : public QWidget {
    Q_OBJECT
public:
    explicit frmNotes(QWidget* parent = nullptr);

    // The program folder followed by "/Notes".
    static QString NotesFile();

    // Fills the text box from the notes file (created empty when missing).
    void Form_Load();
    // Writes the notes file and refreshes the main window's "Notes" status panel.
    void Form_Unload();

    QPlainTextEdit* Text1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    // Set when an existing file could not be read: closing then must not
    // replace the user's notes with an empty box.
    bool m_bLoadFailed = false;
};

namespace dialogs {
// The notes window while it is loaded.
extern QPointer<frmNotes> g_frmNotes;

// The "Notes" command: loads the window when needed and shows it (modeless).
void ShowNotes();
} // namespace dialogs

#include "dialogs/frmNotes.h"

#include "controls/cStatusBar.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/MainWindowHost.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>

namespace dialogs {
QPointer<frmNotes> g_frmNotes;
}

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kWidthMargin = 100 / kTwipsPerPixel;  // the borders
constexpr int kHeightMargin = 500 / kTwipsPerPixel; // the borders and the caption
} // namespace

frmNotes::frmNotes(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("g_frmNotes");
    setWindowTitle("Notes");
    setAttribute(Qt::WA_DeleteOnClose);
    QFont font("Tahoma");
    font.setPointSize(8);
    setFont(font);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName("Text1");
    resize(8115 / kTwipsPerPixel, 5445 / kTwipsPerPixel);
}

QString frmNotes::NotesFile() {
    return core::ProgramFolder() + "/Notes";
}

void frmNotes::Form_Load() {
    Text1->move(0, 0);
    Form_Resize();
    m_bLoadFailed = false;

    const QString file = NotesFile();
    if (!QFileInfo::exists(file)) {
        QFile create(file);
        if (create.open(QIODevice::WriteOnly)) create.close();
    }
    bool ok = false;
    const QStringList lines = core::ReadTextFileLines(file, &ok);
    if (!ok) {
        m_bLoadFailed = QFileInfo::exists(file);
        return;
    }
    QString text;
    for (const QString& line : lines)
        text += line + "\r\n";
    if (text.size() > 2) {
        text.chop(2);
        // The box keeps its lines with single line feeds.
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        Text1->setPlainText(text);
    }
    Text1->document()->setModified(false);
}

void frmNotes::Form_Resize() {
    // The box ends inside the borders and the caption of the window's outer size.
    const QSize outer = frameGeometry().size();
    const int width = outer.width() - kWidthMargin;
    const int height = outer.height() - kHeightMargin;
    if (width <= 0 || height <= 0) return; // too small: the last valid size stays
    Text1->resize(width, height);
}

void frmNotes::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmNotes::Form_Unload() {
    // Notes that could not be read are not replaced by an empty box.
    if (m_bLoadFailed && !Text1->document()->isModified()) return;
    QString text = Text1->toPlainText();
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    if (!core::WriteTextFile(text, NotesFile())) {
        core::services().msgBox(this, "The notes could not be saved to \"" + NotesFile() + "\".",
                                core::vbExclamation, core::AppTitle());
        return;
    }
    if (dialogs::MainWindowHost* host = dialogs::mainWindowHost()) host->notesChanged();
}

void frmNotes::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

namespace dialogs {

void ShowNotes() {
    if (!g_frmNotes) {
        g_frmNotes =
            new frmNotes(dialogs::mainWindowHost() ? dialogs::mainWindowHost()->hostWindow() : nullptr);
        g_frmNotes->Form_Load();
    }
    g_frmNotes->show();
    g_frmNotes->raise();
    g_frmNotes->activateWindow();
}

} // namespace dialogs

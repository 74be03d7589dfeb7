// The splash window shown while the settings dialogs and the main window
// load: product name and versions, and a status line.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    ~frmSplash() override;

    // The load handler: captions from the identity values, fully transparent,
    // theme colour, topmost. Does not show the window.
    void Form_Load();
    // Raises the window from transparent to opaque: opacities 0, 10, ... 250,
    // then 255; after each of the 26 steps the events are dispatched until the
    // clock has gone on by more than 5 ms.
    void FadeIn();
    // The clock the fade waits on, in milliseconds (tests; null: the steady clock).
    void SetFadeClock(std::function<qint64()> clock);
    // The opacities (0..255) FadeIn has set, in order.
    const QList<int>& FadeSteps() const { return m_fadeSteps; }
    // True once the user closed the splash with a double click.
    bool ClosedByUser() const { return m_closedByUser; }

    QFrame* picTitle = nullptr;
    QFrame* Shape1 = nullptr;
    QLabel* lblAppTitle = nullptr;
    QLabel* lblStat = nullptr;
    QLabel* lblVersion = nullptr;

public slots:
    // Closes the splash early; loading goes on and later status texts do not show it again.
    void Form_DblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void waitStep();

    QList<int> m_fadeSteps;
    std::function<qint64()> m_clock;
    bool m_closedByUser = false;
};

namespace dialogs {
// The splash while it exists (created and destroyed by StartApplication).
extern QPointer<frmSplash> g_frmSplash;
} // namespace dialogs

#include "controls/cBalloonTip.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>

namespace {

class BalloonWindow : public QFrame {
public:
    explicit BalloonWindow(QWidget* target) : QFrame(target, Qt::ToolTip | Qt::FramelessWindowHint) {
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFrameShape(QFrame::Box);
        setObjectName(QLatin1String(cBalloonTip::WindowName));
        setPalette(QToolTipPalette());
        setAutoFillBackground(true);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        close();
    }

private:
    static QPalette QToolTipPalette() {
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Window, p.color(QPalette::ToolTipBase));
        p.setColor(QPalette::WindowText, p.color(QPalette::ToolTipText));
        return p;
    }
};

} // namespace

QWidget* cBalloonTip::Show() {
    if (!m_target) return nullptr;
    // One balloon per widget: a new one replaces the last.
    for (QWidget* old :
         m_target->findChildren<QWidget*>(QLatin1String(WindowName), Qt::FindDirectChildrenOnly))
        old->close();

    auto* balloon = new BalloonWindow(m_target); // owned by the target, deletes itself on close
    auto* grid = new QGridLayout(balloon);
    grid->setContentsMargins(8, 6, 8, 6);

    QStyle::StandardPixmap sp = QStyle::SP_MessageBoxWarning;
    switch (m_icon) {
    case 2:
        sp = QStyle::SP_MessageBoxInformation;
        break;
    case 3:
        sp = QStyle::SP_MessageBoxCritical;
        break;
    default:
        break;
    }
    int column = 0;
    if (m_icon >= 1 && m_icon <= 3) {
        auto* picture = new QLabel(balloon);
        picture->setObjectName(QStringLiteral("icon"));
        picture->setPixmap(balloon->style()->standardIcon(sp).pixmap(16, 16));
        grid->addWidget(picture, 0, 0, Qt::AlignTop);
        column = 1;
    }
    int row = 0;
    if (!m_title.isEmpty()) {
        auto* title = new QLabel(m_title, balloon);
        title->setObjectName(QStringLiteral("title"));
        title->setTextFormat(Qt::PlainText);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        grid->addWidget(title, row++, column);
    }
    auto* text = new QLabel(m_text, balloon);
    text->setObjectName(QStringLiteral("text"));
    text->setTextFormat(Qt::PlainText);
    grid->addWidget(text, row, column);

    balloon->adjustSize();
    balloon->move(m_target->mapToGlobal(QPoint(m_target->width() / 2, m_target->height())));
    balloon->show();
    if (m_timeOut > 0) QTimer::singleShot(m_timeOut, balloon, &QWidget::close);
    return balloon;
}

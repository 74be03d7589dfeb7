#include "listviews/PropertiesWindow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace listviews {

QFrame* AddPropertiesTitle(QWidget* window, QLabel*& title, const QString& text) {
    auto* strip = new QFrame(window);
    strip->setObjectName(QStringLiteral("picTitle"));
    strip->setAutoFillBackground(true);
    strip->setFixedHeight(30);
    title = new QLabel(text, strip);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(8, 0, 8, 0);
    stripLayout->addWidget(title);
    return strip;
}

void LayoutPropertiesWindow(QWidget* window, QFrame* titleStrip, QWidget* tabs, QLayout* buttons) {
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(titleStrip);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 0, 8, 0);
    body->addWidget(tabs, 1);
    body->addLayout(buttons);
    layout->addLayout(body, 1);
}

} // namespace listviews

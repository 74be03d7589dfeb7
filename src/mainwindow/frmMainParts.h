// What the files of the main window share: its design sizes in twips and a
// few small helpers. Only frmMain*.cpp include it.
#pragma once

#include "controls/ControlColor.h"
#include "core/PlatformCalls.h"
#include "core/mdlModes.h"
#include "itemlists/TreeKeys.h"

#include <QBrush>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <cmath>
#include <limits>

namespace mainwindow::parts {

using itemlists::IsCDNode;
using itemlists::IsMainNode;

// Window size defaults and limits, in twips.
constexpr int kDefaultWidth = 13140;
constexpr int kDefaultHeight = 7440;
constexpr int kMinWidth = 3000;
constexpr int kMinHeight = 1000;
constexpr int kSmallWidthReplacement = 13740;

// Design sizes, in twips.
constexpr int kTreeWidth = 2535;
constexpr int kToolColumnWidth = 2535;
constexpr int kTitleHeight = 375;
constexpr int kMarkColumnTwips = 300; // the width a click toggles an item's mark in
constexpr int kCaptionStripHeight = 255;
constexpr int kPlayerHeight = 855;
constexpr int kTopHostHeight = 740;
constexpr int kRecorderHostHeight = 500;
constexpr int kListStripHeight = 400;

// The tool-button template's design place, in twips.
constexpr int kToolLeft = 120;
constexpr int kToolTop = 120;
constexpr int kToolWidth = 1815;
constexpr int kToolIconLeft = 1920;
constexpr int kToolIconWidth = 435;
constexpr int kToolHeight = 375;
constexpr int kToolGap = 20;

inline int px(int twips) {
    return core::TwipsToPixels(twips);
}

inline QString AppTitle() {
    return core::AppTitle();
}

// A stored size as a whole number; text that is no number counts as 0.
inline qint32 WholeNumber(const QVariant& value) {
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || number > std::numeric_limits<qint32>::max() ||
        number < std::numeric_limits<qint32>::min())
        return 0;
    return static_cast<qint32>(std::lround(number));
}

inline bool on(qint32 edition) {
    return edition == 1;
}

inline QFrame* NewFrame(QWidget* parent, const char* name) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    return frame;
}

inline QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

inline void SetBackColor(QWidget* widget, qint64 colour) {
    if (widget) controls::ApplyBackColor(widget, colour);
}

inline void SetTextColor(QLabel* label, qint64 colour) {
    controls::ApplyTextColor(label, colour);
}

// Draws a picture file behind a widget; a missing or unreadable file changes nothing.
inline void SetBackPicture(QWidget* widget, const QString& file) {
    const QPixmap picture(file);
    if (!widget || picture.isNull()) return;
    QPalette palette = widget->palette();
    palette.setBrush(widget->backgroundRole(), QBrush(picture));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace mainwindow::parts

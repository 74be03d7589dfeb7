// Shared pieces of the list window tests: a lists folder with a tree and a
// grid over it, small WAV files, list records and the name balloon.
#pragma once

#include "LinkStubs.h"
#include "ListFixtures.h"
#include "TestEnv.h"
#include "controls/cBalloonTip.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/mdlModes.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "settings/SettingsVariables.h"

#include <QApplication>
#include <QDataStream>
#include <QFile>
#include <QLabel>

#include <memory>

namespace listwindows {

inline QByteArray readAll(const QString& path) {
    return testsupport::fileBytes(path);
}

inline bool writeAll(const QString& path, const QByteArray& bytes) {
    return testsupport::writeFileBytes(path, bytes);
}

// A PCM WAV of silence: 8 kHz, mono, 16-bit.
inline QByteArray silentWav(int seconds) {
    const quint32 rate = 8000, dataBytes = rate * 2 * quint32(seconds);
    QByteArray b;
    QDataStream s(&b, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("RIFF", 4);
    s << quint32(36 + dataBytes);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2) << quint16(16);
    s.writeRawData("data", 4);
    s << dataBytes;
    b.append(QByteArray(int(dataBytes), '\0'));
    return b;
}

// One list record of a whole item with a title tag.
inline QString record(const QString& name, const QString& file, const QString& rangeAll = "1",
                      const QString& start = {}, const QString& length = {}) {
    return testsupport::oldRecord("1", "Audio", name, file, rangeAll, start, length, "T", "1");
}

// The text of the name balloon on screen, or "" when none is shown.
inline QString shownBalloonText() {
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(cBalloonTip::WindowName) && w->isVisible())
            if (auto* text = w->findChild<QLabel*>("text")) return text->text();
    return {};
}

inline void closeBalloons() {
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(cBalloonTip::WindowName) && w->isVisible()) w->close();
}

// A main window stand-in: a tree and a grid over a fresh lists folder.
struct ListsFixture {
    std::unique_ptr<testsupport::TestEnv> env;
    std::unique_ptr<QWidget> owner;
    cTreeView* tree = nullptr;
    cGrid* grid = nullptr;
    std::unique_ptr<listviews::ItemsTree> lists;
    QString dir;
    QString listName; // the caption above the grid

    ListsFixture() {
        env = std::make_unique<testsupport::TestEnv>();
        dir = env->home() + "/Main/";
        settings::g_sItemsListDir = dir;
        settings::g_bCopyID3FromSource = false;
        settings::g_bSelectTheLastItem = false;
        core::g_lAppIncItemsLists = 1;
        core::g_lAppIncCDRipper = 1;
    }
    ~ListsFixture() {
        lists.reset();
        owner.reset();
    }

    testsupport::ScriptedServices& svc() { return env->services(); }
    QString listPath(const QString& name) const { return dir + name + ".flst"; }
    cTreeViewNode listNode(const QString& name) const { return tree->Nodes().Item(listPath(name)); }

    // Builds the tree over the lists folder as it is now.
    void build() {
        owner = std::make_unique<QWidget>();
        tree = new cTreeView(owner.get());
        grid = new cGrid(owner.get());
        listviews::InitGridColumns(*grid, nullptr);
        lists = std::make_unique<listviews::ItemsTree>(*tree, *grid, owner.get());
        lists->link().SetListName = [this](const QString& t) { listName = t; };
        testsupport::StubMissingLinks(lists->link());
        lists->setTree();
    }
    // Selects and loads a node, as a click does.
    void click(cTreeViewNode node) {
        node.setSelected(true);
        lists->cTreeView1_NodeClick(node);
    }
};

} // namespace listwindows

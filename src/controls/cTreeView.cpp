#include "controls/cTreeView.h"

#include "controls/cImageList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidgetItem>

namespace {

constexpr int RoleId = Qt::UserRole;
constexpr int RoleKey = Qt::UserRole + 1;
constexpr int RoleImage = Qt::UserRole + 2;
constexpr int RoleSelImage = Qt::UserRole + 3;
constexpr int RoleChildrenOption = Qt::UserRole + 4;

} // namespace

// Routes the end of a label edit through cTreeView::EndLabelEdit, so the
// owner can refuse the new text.
class cTreeViewLabelDelegate : public QStyledItemDelegate {
public:
    explicit cTreeViewLabelDelegate(cTreeView* tree) : QStyledItemDelegate(tree), m_tree(tree) {}
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = m_tree->itemFromIndex(index);
        if (line && item) m_tree->EndLabelEdit(m_tree->nodeOf(item), line->text());
    }

private:
    cTreeView* m_tree;
};

// ---------------------------------------------------------------- cTreeViewNode

QTreeWidgetItem* cTreeViewNode::item() const {
    return m_tree ? m_tree->itemOf(m_id) : nullptr;
}
bool cTreeViewNode::isNull() const {
    return item() == nullptr;
}
bool cTreeViewNode::operator==(const cTreeViewNode& other) const {
    return item() == other.item();
}

QString cTreeViewNode::Key() const {
    QTreeWidgetItem* i = item();
    return i ? i->data(0, RoleKey).toString() : QString();
}

bool cTreeViewNode::setKey(const QString& key) {
    QTreeWidgetItem* i = item();
    if (!i) return false;
    const QString old = i->data(0, RoleKey).toString();
    if (old == key) return true;
    if (!key.isEmpty() && m_tree->m_keys.contains(key)) return false;
    if (!old.isEmpty()) m_tree->m_keys.remove(old);
    if (!key.isEmpty()) m_tree->m_keys.insert(key, m_id);
    i->setData(0, RoleKey, key);
    return true;
}

QString cTreeViewNode::Text() const {
    QTreeWidgetItem* i = item();
    return i ? i->text(0) : QString();
}
void cTreeViewNode::setText(const QString& text) {
    if (QTreeWidgetItem* i = item()) i->setText(0, text);
}

cTreeViewNodes cTreeViewNode::Children() const {
    return item() ? cTreeViewNodes(m_tree, m_id) : cTreeViewNodes();
}

cTreeViewNode cTreeViewNode::Parent() const {
    QTreeWidgetItem* i = item();
    return (i && i->parent()) ? m_tree->nodeOf(i->parent()) : cTreeViewNode();
}

bool cTreeViewNode::Expanded() const {
    QTreeWidgetItem* i = item();
    return i && i->isExpanded();
}
void cTreeViewNode::setExpanded(bool expanded) {
    if (QTreeWidgetItem* i = item()) i->setExpanded(expanded);
}

bool cTreeViewNode::Selected() const {
    QTreeWidgetItem* i = item();
    return i && i->isSelected();
}
void cTreeViewNode::setSelected(bool selected) {
    QTreeWidgetItem* i = item();
    if (!i) return;
    if (selected) {
        m_tree->setCurrentItem(i);
        i->setSelected(true);
        m_tree->scrollToItem(i);
    } else {
        i->setSelected(false);
    }
}

bool cTreeViewNode::Bold() const {
    QTreeWidgetItem* i = item();
    return i && i->font(0).bold();
}
void cTreeViewNode::setBold(bool bold) {
    QTreeWidgetItem* i = item();
    if (!i) return;
    QFont f = i->font(0);
    f.setBold(bold);
    i->setFont(0, f);
}

bool cTreeViewNode::ChildrenOption() const {
    QTreeWidgetItem* i = item();
    return i && i->data(0, RoleChildrenOption).toBool();
}
void cTreeViewNode::setChildrenOption(bool on) {
    QTreeWidgetItem* i = item();
    if (!i) return;
    i->setData(0, RoleChildrenOption, on);
    i->setChildIndicatorPolicy(on ? QTreeWidgetItem::ShowIndicator
                                  : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

qint32 cTreeViewNode::Image() const {
    QTreeWidgetItem* i = item();
    return i ? i->data(0, RoleImage).toInt() : -1;
}
qint32 cTreeViewNode::SelectedImage() const {
    QTreeWidgetItem* i = item();
    return i ? i->data(0, RoleSelImage).toInt() : -1;
}

void cTreeViewNode::StartLabelEdit() {
    if (QTreeWidgetItem* i = item()) m_tree->startEdit(i);
}

void cTreeViewNode::Delete() {
    QTreeWidgetItem* i = item();
    if (!i) return;
    m_tree->forget(i);
    delete i; // QTreeWidgetItem is not a QObject: the tree hands ownership back on delete
}

// ---------------------------------------------------------------- cTreeViewNodes

cTreeViewNode cTreeViewNodes::Add(const cTreeViewNode& relative, qint32 relationship, const QString& key,
                                  const QString& text, qint32 image, qint32 selectedImage) {
    cTreeView* tree = m_tree.data();
    if (!tree) return cTreeViewNode();
    if (!key.isEmpty() && tree->m_keys.contains(key)) return cTreeViewNode();

    QTreeWidgetItem* rel = relative.m_tree == tree ? relative.item() : nullptr;
    QTreeWidgetItem* parentOfThis = m_parent ? tree->itemOf(m_parent) : nullptr;
    if (m_parent && !parentOfThis) return cTreeViewNode(); // the collection's node is gone

    auto item = std::make_unique<QTreeWidgetItem>();
    const quint64 id = tree->m_nextId++;
    item->setText(0, text);
    item->setData(0, RoleId, QVariant::fromValue<qulonglong>(id));
    item->setData(0, RoleKey, key);
    item->setData(0, RoleImage, image);
    item->setData(0, RoleSelImage, selectedImage);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    tree->applyIcon(item.get());
    QTreeWidgetItem* raw = item.get();

    auto insertSibling = [&](QTreeWidgetItem* sibling, int offset, bool atEdge, bool first) {
        QTreeWidgetItem* p = sibling->parent();
        const int count = p ? p->childCount() : tree->topLevelItemCount();
        int at = atEdge ? (first ? 0 : count)
                        : (p ? p->indexOfChild(sibling) : tree->indexOfTopLevelItem(sibling)) + offset;
        at = qBound(0, at, count);
        if (p)
            p->insertChild(at, item.release());
        else
            tree->insertTopLevelItem(at, item.release());
    };

    if (rel) {
        switch (relationship) {
        case cTreeViewNodes::tvwChild:
            rel->addChild(item.release());
            break;
        case cTreeViewNodes::tvwFirst:
            insertSibling(rel, 0, true, true);
            break;
        case cTreeViewNodes::tvwLast:
            insertSibling(rel, 0, true, false);
            break;
        case cTreeViewNodes::tvwNext:
            insertSibling(rel, 1, false, false);
            break;
        case cTreeViewNodes::tvwPrevious:
            insertSibling(rel, 0, false, false);
            break;
        default:
            rel->addChild(item.release());
            break;
        }
    } else if (parentOfThis) {
        parentOfThis->addChild(item.release());
    } else {
        tree->addTopLevelItem(item.release());
    }

    tree->m_items.insert(id, raw);
    tree->m_order.append(id);
    if (!key.isEmpty()) tree->m_keys.insert(key, id);
    return cTreeViewNode(tree, id);
}

void cTreeViewNodes::Clear() {
    cTreeView* tree = m_tree.data();
    if (!tree) return;
    if (m_parent == 0) {
        tree->clear();
        tree->m_items.clear();
        tree->m_keys.clear();
        tree->m_order.clear();
        return;
    }
    QTreeWidgetItem* p = tree->itemOf(m_parent);
    if (!p) return;
    while (p->childCount() > 0) {
        QTreeWidgetItem* c = p->child(0);
        tree->forget(c);
        delete c;
    }
}

qint32 cTreeViewNodes::Count() const {
    cTreeView* tree = m_tree.data();
    if (!tree) return 0;
    if (m_parent == 0) return static_cast<qint32>(tree->m_order.size());
    QTreeWidgetItem* p = tree->itemOf(m_parent);
    return p ? p->childCount() : 0;
}

cTreeViewNode cTreeViewNodes::Item(qint32 index) const {
    cTreeView* tree = m_tree.data();
    if (!tree || index < 1) return cTreeViewNode();
    if (m_parent == 0) {
        if (index > tree->m_order.size()) return cTreeViewNode();
        return cTreeViewNode(tree, tree->m_order[index - 1]);
    }
    QTreeWidgetItem* p = tree->itemOf(m_parent);
    if (!p || index > p->childCount()) return cTreeViewNode();
    return tree->nodeOf(p->child(index - 1));
}

cTreeViewNode cTreeViewNodes::Item(const QString& key) const {
    cTreeView* tree = m_tree.data();
    if (!tree || key.isEmpty()) return cTreeViewNode();
    const quint64 id = tree->m_keys.value(key, 0);
    if (id == 0) return cTreeViewNode();
    if (m_parent != 0) {
        QTreeWidgetItem* i = tree->itemOf(id);
        if (!i || !i->parent() || tree->idOf(i->parent()) != m_parent) return cTreeViewNode();
    }
    return cTreeViewNode(tree, id);
}

// ---------------------------------------------------------------- cTreeView

cTreeView::cTreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new cTreeViewLabelDelegate(this));

    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (item) emit NodeClick(nodeOf(item));
    });
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { emit SelChange(); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                if (previous) applyIcon(previous);
                if (current) applyIcon(current);
            });
}

cTreeView::~cTreeView() = default;

quint64 cTreeView::idOf(const QTreeWidgetItem* item) const {
    return item ? item->data(0, RoleId).toULongLong() : 0;
}

cTreeViewNode cTreeView::nodeOf(const QTreeWidgetItem* item) const {
    return item ? cTreeViewNode(const_cast<cTreeView*>(this), idOf(item)) : cTreeViewNode();
}

cTreeViewNode cTreeView::SelectedItem() const {
    const QList<QTreeWidgetItem*> sel = selectedItems();
    return sel.isEmpty() ? cTreeViewNode() : nodeOf(sel.first());
}

cImageList* cTreeView::ImageList() const {
    return m_imageList.data();
}

void cTreeView::setImageList(cImageList* list) {
    m_imageList = list;
    if (list && list->IconSize().isValid()) setIconSize(list->IconSize());
    refreshIcons();
}

void cTreeView::setLabelEdit(bool on) {
    m_labelEdit = on;
    setEditTriggers(on ? (QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked)
                       : QAbstractItemView::NoEditTriggers);
}

void cTreeView::forget(QTreeWidgetItem* item) {
    for (int c = 0; c < item->childCount(); ++c)
        forget(item->child(c));
    const quint64 id = idOf(item);
    const QString key = item->data(0, RoleKey).toString();
    if (!key.isEmpty() && m_keys.value(key) == id) m_keys.remove(key);
    m_items.remove(id);
    m_order.removeOne(id);
}

void cTreeView::applyIcon(QTreeWidgetItem* item) const {
    if (!m_imageList) {
        item->setIcon(0, QIcon());
        return;
    }
    const qint32 image = item->data(0, RoleImage).toInt();
    const qint32 selImage = item->data(0, RoleSelImage).toInt();
    const bool current = item == currentItem();
    item->setIcon(0, m_imageList->IconForNumber(current && selImage >= 0 ? selImage : image));
}

void cTreeView::refreshIcons() {
    for (QTreeWidgetItem* item : std::as_const(m_items))
        applyIcon(item);
}

void cTreeView::startEdit(QTreeWidgetItem* item) {
    if (m_inEditEnd) {
        // Called from an AfterLabelEdit handler: the old editor is still
        // closing, so open the new one right after.
        const quint64 id = idOf(item);
        QTimer::singleShot(0, this, [this, id] {
            if (QTreeWidgetItem* i = itemOf(id)) startEdit(i);
        });
        return;
    }
    scrollToItem(item);
    editItem(item, 0);
}

bool cTreeView::EndLabelEdit(const cTreeViewNode& node, const QString& newText) {
    if (node.isNull() || node.m_tree != this) return false;
    bool cancel = false;
    m_inEditEnd = true;
    emit AfterLabelEdit(node, newText, &cancel);
    m_inEditEnd = false;
    if (cancel) return false;
    cTreeViewNode(node).setText(newText);
    return true;
}

void cTreeView::keyPressEvent(QKeyEvent* event) {
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem* after = currentItem();
    if (after && after != before && after->isSelected()) emit NodeClick(nodeOf(after));
}

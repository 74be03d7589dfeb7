#pragma once

#include <QHash>
#include <QMetaType>
#include <QPointer>
#include <QString>
#include <QTreeWidget>
#include <QVector>

class cImageList;
class cTreeView;
class cTreeViewNodes;
class QTreeWidgetItem;

// A node of a cTreeView. The object is a handle: it stays safe to hold after
// the node was deleted or the tree cleared, and then reads as a null node
// (empty key and text) whose writes do nothing.
class cTreeViewNode {
public:
    cTreeViewNode() = default;

    bool isNull() const;
    explicit operator bool() const { return !isNull(); }
    bool operator==(const cTreeViewNode& other) const;
    bool operator!=(const cTreeViewNode& other) const { return !(*this == other); }

    QString Key() const;
    // False (and nothing changes) when another node carries the key.
    bool setKey(const QString& key);
    QString Text() const;
    void setText(const QString& text);
    cTreeViewNodes Children() const;
    cTreeViewNode Parent() const;
    bool Expanded() const;
    void setExpanded(bool expanded);
    // True selects the node (it becomes cTreeView::SelectedItem); False clears it.
    bool Selected() const;
    void setSelected(bool selected);
    bool Bold() const;
    void setBold(bool bold);
    bool ChildrenOption() const;
    void setChildrenOption(bool on);
    qint32 Image() const;
    qint32 SelectedImage() const;
    // Puts the node's text into edit mode; the edit ends with cTreeView::AfterLabelEdit.
    void StartLabelEdit();
    // Removes the node and its children.
    void Delete();

private:
    friend class cTreeView;
    friend class cTreeViewNodes;
    cTreeViewNode(cTreeView* tree, quint64 id) : m_tree(tree), m_id(id) {}
    QTreeWidgetItem* item() const;

    QPointer<cTreeView> m_tree;
    quint64 m_id = 0;
};
Q_DECLARE_METATYPE(cTreeViewNode)

// The nodes of the whole tree (in the order they were added) or the children
// of one node (in tree order). Indexes are 1-based.
class cTreeViewNodes {
public:
    // Relationships of Add.
    static constexpr qint32 tvwFirst = 0;
    static constexpr qint32 tvwLast = 1;
    static constexpr qint32 tvwNext = 2;
    static constexpr qint32 tvwPrevious = 3;
    static constexpr qint32 tvwChild = 4;

    cTreeViewNodes() = default;

    // Adds a node: relationship 4 makes it the last child of `relative`; 0/1
    // the first/last sibling of `relative`, 2/3 the sibling right after/before
    // it. With a null relative the node is appended at the top level. Images
    // are icon numbers of the tree's image list (-1 none). Returns a null node
    // when the key is used already (an empty key is allowed any number of times).
    cTreeViewNode Add(const cTreeViewNode& relative, qint32 relationship, const QString& key,
                      const QString& text, qint32 image = -1, qint32 selectedImage = -1);
    cTreeViewNode Add(qint32 relationship, const QString& key, const QString& text, qint32 image = -1,
                      qint32 selectedImage = -1) {
        return Add(cTreeViewNode(), relationship, key, text, image, selectedImage);
    }
    void Clear();
    qint32 Count() const;
    // Null node for an index outside 1..Count() or an unknown key.
    cTreeViewNode Item(qint32 index) const;
    cTreeViewNode Item(const QString& key) const;

private:
    friend class cTreeView;
    friend class cTreeViewNode;
    cTreeViewNodes(cTreeView* tree, quint64 parentId) : m_tree(tree), m_parent(parentId) {}

    QPointer<cTreeView> m_tree;
    quint64 m_parent = 0; // 0: the whole tree
};

// The tree of items lists and CD drives (and of the settings pages).
class cTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit cTreeView(QWidget* parent = nullptr);
    ~cTreeView() override;

    cTreeViewNodes Nodes() { return cTreeViewNodes(this, 0); }
    // The selected node; a null node when none is selected.
    cTreeViewNode SelectedItem() const;

    cImageList* ImageList() const;
    void setImageList(cImageList* list);
    bool LabelEdit() const { return m_labelEdit; }
    void setLabelEdit(bool on);
    bool Enabled() const { return isEnabled(); }

    // Ends a label edit of `node` with `newText` as the user typed it: raises
    // AfterLabelEdit and shows the new text unless a handler cancelled.
    // Returns true when the new text was taken.
    bool EndLabelEdit(const cTreeViewNode& node, const QString& newText);

signals:
    // A node was clicked (or reached with the keyboard) and is selected.
    void NodeClick(cTreeViewNode node);
    // The user ended a label edit. A handler (connected directly) sets
    // *cancel = true to keep the old text.
    void AfterLabelEdit(cTreeViewNode node, const QString& newText, bool* cancel);
    // The selection changed, by the user or by code.
    void SelChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class cTreeViewNode;
    friend class cTreeViewNodes;
    friend class cTreeViewLabelDelegate;

    QTreeWidgetItem* itemOf(quint64 id) const { return m_items.value(id, nullptr); }
    quint64 idOf(const QTreeWidgetItem* item) const;
    cTreeViewNode nodeOf(const QTreeWidgetItem* item) const;
    void forget(QTreeWidgetItem* item);
    void applyIcon(QTreeWidgetItem* item) const;
    void refreshIcons();
    void startEdit(QTreeWidgetItem* item);

    QPointer<cImageList> m_imageList;
    QHash<quint64, QTreeWidgetItem*> m_items;
    QHash<QString, quint64> m_keys;
    QVector<quint64> m_order; // every node, in the order of adding
    quint64 m_nextId = 1;
    bool m_labelEdit = false;
    bool m_inEditEnd = false;
};

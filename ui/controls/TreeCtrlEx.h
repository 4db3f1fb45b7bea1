#pragma once
// The main window's tree: several items can be selected with Control and Shift, by mouse
// and by the arrow and page keys. A click on an item of a multi-selection keeps it until
// the button is released (so it can be dragged), a right click inside the selection
// keeps it, collapsing an item deselects what it hides, and a click on the focused
// item's label starts renaming after the double-click time.
#include <QTreeWidget>
#include <functional>

class QTimer;

class CTreeCtrlEx : public QTreeWidget {
    Q_OBJECT
public:
    explicit CTreeCtrlEx(QWidget* parent = nullptr);
    ~CTreeCtrlEx() override;

    int CountSelected() const;
    QTreeWidgetItem* FirstSelected() const;
    QTreeWidgetItem* NextSelected(QTreeWidgetItem* item) const;
    // Selects exactly the visible items between the two (both included) and makes item the
    // caret; false when neither is visible.
    bool SelectRange(QTreeWidgetItem* anchor, QTreeWidgetItem* item);
    void DeselectAll();
    // Makes the item the only selected one and the caret, as a plain click does, and
    // notifies the owner.
    void SelectItem(QTreeWidgetItem* item);

    // Label editing: off by default. The owner gives the text to edit and decides on the
    // result (true: the label is set to it).
    void SetLabelEditing(bool allowed) { m_bEditable = allowed; }
    std::function<bool(QTreeWidgetItem*, QString&)> onBeginLabelEdit;
    std::function<bool(QTreeWidgetItem*, const QString&)> onEndLabelEdit;
    void SetDragEnabled(bool enabled) { m_bDrag = enabled; }
    void EditLabel(QTreeWidgetItem* item);
    bool IsEditing() const { return state() == EditingState; }

signals:
    // After every selection made by click, by the keys, or by SelectItem.
    void SelectionNotify(QTreeWidgetItem* item);
    // Before a Control-click toggles an item.
    void SelectionChanging(QTreeWidgetItem* item);
    void BeginDrag(QTreeWidgetItem* item, QPoint point);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ClickSelection(QTreeWidgetItem* item, Qt::KeyboardModifiers keys);
    void SetCaret(QTreeWidgetItem* item);
    // The item alone selected, the caret and the anchor.
    void SelectOnly(QTreeWidgetItem* item);
    void Notify(QTreeWidgetItem* item);
    bool OnLabel(QTreeWidgetItem* item, QPoint point) const;
    QTreeWidgetItem* FirstVisible() const {
        return topLevelItemCount() ? topLevelItem(0) : nullptr;
    }
    void MoveCaret(QTreeWidgetItem* target, bool shift);

    bool m_bPendingSelect = false;
    QPoint m_ptClick;
    QTreeWidgetItem* m_pClickItem = nullptr;
    QTreeWidgetItem* m_pAnchor = nullptr;
    bool m_bNotify = true;
    bool m_bPendingEdit = false;
    bool m_bEditable = false;
    bool m_bDrag = true;
    QTimer* m_pEditTimer = nullptr;
    // Selection changes the base class makes itself (type-ahead search, Ctrl+A) reach the
    // owner once, after the event that made them, unless a notification followed them.
    unsigned m_nNotified = 0;
    bool m_bOwnChangePending = false;
};

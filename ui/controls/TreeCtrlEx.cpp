#include "ui/controls/TreeCtrlEx.h"

#include "app/Log.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

// Hands the edited label to the tree's owner instead of writing it into the item.
class LabelDelegate : public QStyledItemDelegate {
public:
    explicit LabelDelegate(CTreeCtrlEx* tree) : QStyledItemDelegate(tree), m_pTree(tree) {}
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(m_strInitial.isNull() ? index.data().toString() : m_strInitial);
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (edit && m_pTree->onEndLabelEdit && m_pItem)
            m_pTree->onEndLabelEdit(m_pItem, edit->text());
    }
    QString m_strInitial;
    QTreeWidgetItem* m_pItem = nullptr;

private:
    CTreeCtrlEx* m_pTree;
};

} // namespace

CTreeCtrlEx::CTreeCtrlEx(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new LabelDelegate(this));
    m_pEditTimer = new QTimer(this);
    m_pEditTimer->setSingleShot(true);
    connect(m_pEditTimer, &QTimer::timeout, this, [this] {
        if (m_bPendingEdit && currentItem())
            EditLabel(currentItem());
        m_bPendingEdit = false;
    });
    // Items are removed wholesale when the tree is rebuilt: forget the ones kept here.
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] {
        m_pAnchor = nullptr;
        m_pClickItem = nullptr;
        m_bPendingSelect = m_bPendingEdit = false;
    });
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_pAnchor = nullptr;
        m_pClickItem = nullptr;
        m_bPendingSelect = m_bPendingEdit = false;
    });
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_bNotify || m_bOwnChangePending)
            return;
        m_bOwnChangePending = true;
        const unsigned notified = m_nNotified;
        QTimer::singleShot(0, this, [this, notified] {
            m_bOwnChangePending = false;
            if (notified == m_nNotified && currentItem())
                Notify(currentItem());
        });
    });
    // What a collapsed item hides cannot stay selected.
    connect(this, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) {
        std::function<void(QTreeWidgetItem*)> clear = [&](QTreeWidgetItem* node) {
            for (int i = 0; i < node->childCount(); ++i) {
                node->child(i)->setSelected(false);
                clear(node->child(i));
            }
        };
        clear(item);
    });
}

// The model outlives this part of the object (the base class deletes it); its last
// signals must not reach the handlers above.
CTreeCtrlEx::~CTreeCtrlEx() {
    disconnect(model(), nullptr, this, nullptr);
}

int CTreeCtrlEx::CountSelected() const {
    int count = 0;
    for (QTreeWidgetItem* item = FirstVisible(); item; item = itemBelow(item))
        count += item->isSelected() ? 1 : 0;
    return count;
}

QTreeWidgetItem* CTreeCtrlEx::FirstSelected() const {
    for (QTreeWidgetItem* item = FirstVisible(); item; item = itemBelow(item))
        if (item->isSelected())
            return item;
    return nullptr;
}

QTreeWidgetItem* CTreeCtrlEx::NextSelected(QTreeWidgetItem* item) const {
    for (item = item ? itemBelow(item) : nullptr; item; item = itemBelow(item))
        if (item->isSelected())
            return item;
    return nullptr;
}

bool CTreeCtrlEx::SelectRange(QTreeWidgetItem* anchor, QTreeWidgetItem* item) {
    bool found = false;
    for (QTreeWidgetItem* i = FirstVisible(); i && !found; i = itemBelow(i))
        found = i == anchor || i == item;
    if (!found)
        return false;
    bool inside = false;
    for (QTreeWidgetItem* i = FirstVisible(); i; i = itemBelow(i)) {
        const bool end = i == anchor || i == item;
        if (end && !inside) {
            inside = true;
            i->setSelected(true);
            if (anchor == item)
                inside = false;
            continue;
        }
        i->setSelected(inside);
        if (end)
            inside = false;
    }
    SetCaret(item);
    return true;
}

void CTreeCtrlEx::DeselectAll() {
    for (QTreeWidgetItem* item = FirstVisible(); item; item = itemBelow(item))
        item->setSelected(false);
}

void CTreeCtrlEx::SelectItem(QTreeWidgetItem* item) {
    if (!item)
        return;
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    m_bNotify = false;
    SelectOnly(item);
    m_bNotify = true;
    scrollToItem(item);
    Notify(item);
}

void CTreeCtrlEx::SelectOnly(QTreeWidgetItem* item) {
    DeselectAll();
    SetCaret(item);
    item->setSelected(true);
    m_pAnchor = item;
}

void CTreeCtrlEx::SetCaret(QTreeWidgetItem* item) {
    setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
}

void CTreeCtrlEx::Notify(QTreeWidgetItem* item) {
    if (m_bNotify) {
        ++m_nNotified;
        emit SelectionNotify(item);
    }
}

bool CTreeCtrlEx::OnLabel(QTreeWidgetItem* item, QPoint point) const {
    const QRect rect = visualItemRect(item);
    const int textWidth = fontMetrics().horizontalAdvance(item->text(0)) + 8;
    const int left = rect.left() + (item->icon(0).isNull() ? 0 : iconSize().width() + 4);
    return point.x() >= left && point.x() < left + textWidth;
}

void CTreeCtrlEx::EditLabel(QTreeWidgetItem* item) {
    if (!item)
        return;
    QString text = item->text(0);
    if (onBeginLabelEdit && !onBeginLabelEdit(item, text))
        return;
    auto* delegate = static_cast<LabelDelegate*>(itemDelegate());
    delegate->m_strInitial = text;
    delegate->m_pItem = item;
    const Qt::ItemFlags flags = item->flags();
    item->setFlags(flags | Qt::ItemIsEditable);
    editItem(item, 0);
    item->setFlags(flags);
}

void CTreeCtrlEx::ClickSelection(QTreeWidgetItem* item, Qt::KeyboardModifiers keys) {
    QTreeWidgetItem* caret = currentItem();
    m_bNotify = false;
    if (keys & Qt::ShiftModifier) {
        if (!m_pAnchor)
            m_pAnchor = caret ? caret : item;
        SelectRange(m_pAnchor, item);
    } else if (keys & Qt::ControlModifier) {
        const bool wasSelected = item->isSelected();
        const bool caretSelected = caret && caret->isSelected();
        emit SelectionChanging(item);
        if (caret && caretSelected)
            caret->setSelected(true);
        item->setSelected(!wasSelected);
        if (!m_pAnchor)
            m_pAnchor = item;
    } else {
        SelectOnly(item);
    }
    m_bNotify = true;
    Notify(item);
}

void CTreeCtrlEx::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(point);
    const bool onItem = item && point.x() >= visualItemRect(item).left();
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (event->button() == Qt::RightButton) {
        // A multi-selection survives a right click on one of its items.
        if (onItem && !item->isSelected()) {
            m_bNotify = false;
            SelectOnly(item);
            m_bNotify = true;
            Notify(item);
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    if (onItem && !(keys & (Qt::ShiftModifier | Qt::ControlModifier)) && m_bEditable &&
        item == currentItem() && OnLabel(item, point)) {
        DeselectAll();
        LogPrintA("CTreeCtrlEx: Safe selection hack\n");
        item->setSelected(true);
        m_bPendingEdit = true;
        m_pEditTimer->start(QApplication::doubleClickInterval());
        return;
    }
    m_bPendingEdit = false;
    if (onItem) {
        setFocus(Qt::MouseFocusReason);
        m_pClickItem = item;
        m_ptClick = point;
        if (!item->isSelected()) {
            ClickSelection(item, keys);
            m_bPendingSelect = false;
        } else {
            m_bPendingSelect = true;
        }
        return;
    }
    // Expand buttons and empty space: expand or collapse, nothing else.
    if (item && item->childCount())
        item->setExpanded(!item->isExpanded());
}

void CTreeCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bPendingSelect && m_pClickItem) {
        ClickSelection(m_pClickItem, event->modifiers());
        m_bPendingSelect = false;
    }
    m_pClickItem = nullptr;
}

void CTreeCtrlEx::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pClickItem || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint moved = event->position().toPoint() - m_ptClick;
    if (std::abs(moved.x()) > QApplication::startDragDistance() ||
        std::abs(moved.y()) > QApplication::startDragDistance()) {
        m_bPendingSelect = false;
        if (m_bDrag)
            emit BeginDrag(m_pClickItem, event->position().toPoint());
        m_pClickItem = nullptr;
    }
}

void CTreeCtrlEx::mouseDoubleClickEvent(QMouseEvent* event) {
    m_bPendingEdit = false;
    m_pEditTimer->stop();
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item && item->childCount())
        item->setExpanded(!item->isExpanded());
    emit itemDoubleClicked(item, 0);
}

void CTreeCtrlEx::MoveCaret(QTreeWidgetItem* target, bool shift) {
    QTreeWidgetItem* caret = currentItem();
    if (!shift) {
        if (CountSelected() > 1)
            DeselectAll();
        if (!target)
            return;
        m_bNotify = false;
        if (caret)
            caret->setSelected(false);
        SetCaret(target);
        target->setSelected(true);
        scrollToItem(target);
        m_pAnchor = target;
        m_bNotify = true;
        Notify(target);
        return;
    }
    if (!target)
        return;
    m_bNotify = false;
    const bool bothSelected = target->isSelected() && caret && caret->isSelected();
    SetCaret(target);
    if (!m_pAnchor)
        m_pAnchor = caret ? caret : target;
    if (!bothSelected)
        SelectRange(m_pAnchor, target);
    else if (caret != m_pAnchor)
        caret->setSelected(false); // moving back towards the anchor shrinks the range
    scrollToItem(target);
    m_bNotify = true;
    Notify(target);
}

void CTreeCtrlEx::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    QTreeWidgetItem* caret = currentItem();
    switch (event->key()) {
    case Qt::Key_Up:
        MoveCaret(caret ? itemAbove(caret) : FirstVisible(), shift);
        return;
    case Qt::Key_Down:
        MoveCaret(caret ? itemBelow(caret) : FirstVisible(), shift);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const QModelIndex index =
            moveCursor(event->key() == Qt::Key_PageUp ? MovePageUp : MovePageDown, Qt::NoModifier);
        MoveCaret(itemFromIndex(index), shift);
        return;
    }
    case Qt::Key_Home:
        MoveCaret(FirstVisible(), shift);
        return;
    case Qt::Key_End: {
        QTreeWidgetItem* last = FirstVisible();
        while (last && itemBelow(last))
            last = itemBelow(last);
        MoveCaret(last, shift);
        return;
    }
    case Qt::Key_Left:
        if (caret && caret->isExpanded() && caret->childCount())
            caret->setExpanded(false);
        else if (caret && caret->parent())
            MoveCaret(caret->parent(), false);
        return;
    case Qt::Key_Right:
        if (caret && caret->childCount() && !caret->isExpanded())
            caret->setExpanded(true);
        else if (caret && caret->childCount())
            MoveCaret(caret->child(0), false);
        return;
    case Qt::Key_F2:
        if (m_bEditable)
            EditLabel(caret);
        return;
    default:
        QTreeWidget::keyPressEvent(event);
    }
}

void CTreeCtrlEx::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    viewport()->update();
}

void CTreeCtrlEx::focusOutEvent(QFocusEvent* event) {
    QTreeWidget::focusOutEvent(event);
    viewport()->update();
}

#pragma once
// The section tree pane of the dictionary and model dialogs.
#include "rw/Stream.h"

class QLabel;
class QTreeWidget;
class QVBoxLayout;
class QWidget;

// Fills tree with the stream's sections, depth first, and expands the root.
void FillStreamTree(QTreeWidget* tree, RW::CStream& stream);

// The section tree with its caption beside a dialog's list; hidden until asked for. The
// widgets belong to the dialog whose layout takes Layout().
class CStreamPane {
public:
    static constexpr int kWidth = 350;

    CStreamPane();
    QVBoxLayout* Layout() const;
    QTreeWidget* Tree() const { return m_pTree; }
    // Shows or hides the pane, widening or narrowing dialog by the pane.
    void Toggle(QWidget* dialog) const;

private:
    QLabel* m_pLabel;
    QTreeWidget* m_pTree;
};

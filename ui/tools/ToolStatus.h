#pragma once
// The status line of the tool dialogs: a label and a progress bar that always move
// together, so that a long loop shows where it is in one call.
#include <QString>

class QLabel;
class QProgressBar;

class CToolStatus {
public:
    CToolStatus(QLabel* label, QProgressBar* progress) : m_pLabel(label), m_pProgress(progress) {}

    // Shows text (or "%d / %d" of position and total when text is empty), sets the bar to
    // position of total and lets the window repaint, so a loop on the window's thread
    // stays visible.
    void Show(const QString& text, int position, int total);

private:
    QLabel* m_pLabel;
    QProgressBar* m_pProgress;
};

#pragma once
// A run over many textures (import, export): the window's progress bar, and after a
// moment a box with a Cancel button that stops the run between two textures, so that
// what was done stays done and nothing is left half written.
#include <QProgressDialog>

class QProgressBar;

class CLongRun {
public:
    CLongRun(QWidget* window, QProgressBar* bar, const QString& label, int total);
    ~CLongRun();
    CLongRun(const CLongRun&) = delete;
    CLongRun& operator=(const CLongRun&) = delete;

    // Shows that done items are finished; false when the user cancelled.
    bool Step(int done);

    // How long a run goes before its box shows (short runs show none).
    static void SetBoxDelay(int milliseconds);

private:
    QProgressBar* m_pBar;
    QProgressDialog m_Box;
};

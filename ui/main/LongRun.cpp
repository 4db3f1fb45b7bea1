#include "ui/main/LongRun.h"

#include <QProgressBar>

namespace {

constexpr int kDefaultBoxDelayMs = 800;
int g_nBoxDelayMs = kDefaultBoxDelayMs;

} // namespace

void CLongRun::SetBoxDelay(int milliseconds) {
    g_nBoxDelayMs = milliseconds;
}

CLongRun::CLongRun(QWidget* window, QProgressBar* bar, const QString& label, int total)
    : m_pBar(bar), m_Box(label, "Cancel", 0, std::max(total, 1), window) {
    m_Box.setObjectName("LongRun");
    m_Box.setWindowModality(Qt::WindowModal);
    m_Box.setMinimumDuration(g_nBoxDelayMs);
    m_Box.setAutoClose(false);
    m_Box.setAutoReset(false);
    m_Box.setValue(0);
}

CLongRun::~CLongRun() {
    m_Box.close();
}

bool CLongRun::Step(int done) {
    m_pBar->setValue(done);
    m_Box.setValue(done);
    return !m_Box.wasCanceled();
}

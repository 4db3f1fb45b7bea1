#include "ui/tools/ToolStatus.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

void CToolStatus::Show(const QString& text, int position, int total) {
    if (m_pLabel)
        m_pLabel->setText(text.isEmpty() ? QString("%1 / %2").arg(position).arg(total) : text);
    if (m_pProgress) {
        m_pProgress->setRange(0, total);
        m_pProgress->setValue(position);
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

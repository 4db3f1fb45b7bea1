#include "ui/controls/FolderDialog.h"

#include "app/Log.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

CFolderDialog::CFolderDialog(const QString& initialFolder, const QString& title, QWidget* owner,
                             unsigned flags)
    : m_strInitial(initialFolder), m_strTitle(title), m_pOwner(owner) {
    LogPrintA("CFolderDialog: Initalizing ( '%s', '%s', 0x%X )...\n",
              initialFolder.toUtf8().constData(), title.toUtf8().constData(), flags);
}

CFolderDialog::~CFolderDialog() {
    LogPrintA("CFolderDialog: Releasing m_pMalloc...\n");
}

CFolderDialog::Result CFolderDialog::ShowFolderDialog() {
    LogPrintA("CFolderDialog: ShowFolderDialog() called\n");
    QFileDialog dialog(m_pOwner ? m_pOwner : QApplication::activeWindow(), m_strTitle,
                       m_strInitial);
    dialog.setObjectName("CFolderDialog");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!m_strInitial.isEmpty())
        dialog.setDirectory(m_strInitial);
    LogPrintA("CFolderDialog: Initialized.\n");
    QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog,
                     [](const QString&) { LogPrintA("CFolderDialog: Selection changed.\n"); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        LogPrintA("CFolderDialog: SHBrowseForFolder returned NULL\n");
        return kCancelled;
    }
    const QString chosen = dialog.selectedFiles().first();
    if (!QFileInfo(chosen).isDir()) {
        LogPrintA("CFolderDialog: SHGetPathFromIDList returned FALSE\n");
        return kFailed;
    }
    m_strFolder = QDir::cleanPath(QFileInfo(chosen).absoluteFilePath());
    LogPrintA("CFolderDialog: Selected folder is '%s'.\n", m_strFolder.toUtf8().constData());
    return kChosen;
}

#include "ui/tools/ToolFiles.h"

#include <QFileDialog>

QStringList AskForFiles(QWidget* parent, const FileQuestion& question) {
    QFileDialog dialog(parent, question.caption, question.start, question.filter);
    dialog.setObjectName(question.name);
    const bool save = question.ask == FileAsk::kSave;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save                                ? QFileDialog::AnyFile
                       : question.ask == FileAsk::kOpenOne ? QFileDialog::ExistingFile
                                                           : QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(question.suffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString AskForFile(QWidget* parent, const FileQuestion& question) {
    const QStringList files = AskForFiles(parent, question);
    return files.isEmpty() ? QString() : files.first();
}

#pragma once
// The file dialogs of the tools: one place sets their mode, filter and default suffix.
#include <QString>
#include <QStringList>

class QWidget;

enum class FileAsk { kSave, kOpenOne, kOpenMany };

struct FileQuestion {
    FileAsk ask = FileAsk::kOpenOne;
    QString caption = {};
    QString start = {};     // the folder or file the dialog opens on
    QString filter = {};    // as Qt's dialogs take it (ToolTexts::FileFilter)
    const char* suffix = ""; // added to a name typed without one
    const char* name = "";  // the dialog's object name, which scripted runs look for
};

// The files chosen; empty when the dialog was cancelled.
QStringList AskForFiles(QWidget* parent, const FileQuestion& question);
// The first file chosen; empty when the dialog was cancelled.
QString AskForFile(QWidget* parent, const FileQuestion& question);

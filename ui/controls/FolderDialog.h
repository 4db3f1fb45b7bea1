#pragma once
// Picks a folder to write into, starting at a given one, and logs what it does so that
// a user's report shows which folder an export went to.
#include <QString>

class QWidget;

class CFolderDialog {
public:
    enum Result { kFailed = 0, kChosen = 1, kCancelled = 2 };
    // Folders of the file system only, with an edit box for typing a path.
    static constexpr unsigned kDefaultFlags = 0x51;

    CFolderDialog(const QString& initialFolder, const QString& title, QWidget* owner = nullptr,
                  unsigned flags = kDefaultFlags);
    ~CFolderDialog();
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // kChosen with Folder() set (no trailing '/'), kCancelled, or kFailed when the choice
    // is no folder of the file system.
    Result ShowFolderDialog();
    const QString& Folder() const { return m_strFolder; }

private:
    QString m_strInitial;
    QString m_strTitle;
    QWidget* m_pOwner;
    QString m_strFolder;
};

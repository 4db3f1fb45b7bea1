// The dictionary, model and archive tools of the Tools menu: the window asks for the file,
// hands the tool its texts, the cache and itself (through the hooks), and afterwards shows
// what the tool changed.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/MessageBox.h"
#include "ui/main/DlgMain.h"
#include "ui/main/Resources.h"
#include "ui/tools/DlgDFFCheck.h"
#include "ui/tools/DlgIMGTool.h"
#include "ui/tools/DlgImportTXD.h"
#include "ui/tools/ToolTexts.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

constexpr int kTxdFilterString = 118;
constexpr int kModelFilterString = 121;
constexpr int kLoadCacheFirstString = 108;

// A tool window keeps the cache it was given: the offer to read the cache again after
// another program changed it waits until the tool is closed.
class CToolHold {
public:
    explicit CToolHold(int& open) : m_nOpen(open) { ++m_nOpen; }
    ~CToolHold() { --m_nOpen; }
    CToolHold(const CToolHold&) = delete;
    CToolHold& operator=(const CToolHold&) = delete;

private:
    int& m_nOpen;
};

} // namespace

void CDlgMain::RunImportTxd() {
    if (!m_pCache) {
        MessageBox(Res::String(kLoadCacheFirstString).toStdString(), "", MB_OK | MB_ICONERROR);
        return;
    }
    const std::string last = IniReadString(Settings::kLastTxd.section, Settings::kLastTxd.key);
    QFileDialog dialog(this, QString(), QString::fromStdString(last),
                       Res::FileFilter(kTxdFilterString));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("txd");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::string path = dialog.selectedFiles().first().toStdString();
    IniWriteString(Settings::kLastTxd.section, Settings::kLastTxd.key, path);
    // The category in use (the first when none is chosen): a texture is never stored
    // without one, which the index would write as category 65535.
    CToolHold hold(m_nToolsOpen);
    CDlgImportTXD tool(m_pCache.get(), *this, path, CurrentCategory(), this);
    if (tool.Load())
        tool.exec();
    if (m_pCache && m_pCache->TextureCount() > 0)
        SelectTexture(m_pCache->TextureCount() - 1);
}

void CDlgMain::RunModelCheck() {
    QFileDialog dialog(this, QString(), QString(), Res::FileFilter(kModelFilterString));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("dff");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    CToolHold hold(m_nToolsOpen);
    CDlgDFFCheck tool(m_pCache.get(), *this, dialog.selectedFiles().first().toStdString(), this);
    tool.Load();
    tool.exec();
}

void CDlgMain::RunImportImg() {
    if (!m_pCache) {
        MessageBox(Res::String(kLoadCacheFirstString).toStdString(), "", MB_OK | MB_ICONERROR);
        return;
    }
    CToolHold hold(m_nToolsOpen);
    CDlgImportIMG tool(m_pCache.get(), *this, CurrentCategory(), this);
    tool.exec();
    if (m_pCache) {
        m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
        UpdateTexturesTree();
    }
}

void CDlgMain::RunImgTool() {
    CToolHold hold(m_nToolsOpen);
    CDlgIMGTool tool(m_pCache.get(), *this, 0, this);
    tool.exec();
}

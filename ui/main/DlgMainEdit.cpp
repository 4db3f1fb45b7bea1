// The main window's edits of the index: deleting textures and categories, renaming in the
// tree, aliases, categories, details and flags, and searching. Every change goes through
// the cache's own operations, which refuse what the index cannot hold and either
// complete or leave the files as they were.
#include "app/Log.h"
#include "cache/NameRules.h"
#include "platform/MessageBox.h"
#include "ui/controls/DlgOneString.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgMain.h"
#include "ui/main/EditTexts.h"
#include "ui/main/MenuBar.h"
#include "ui/main/Resources.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {

std::string ErrorCaption() {
    return Res::String(110).toStdString();
}

void ShowError(const std::string& text) {
    MessageBox(text, ErrorCaption(), MB_OK | MB_ICONERROR);
}

} // namespace

std::vector<int> CDlgMain::SelectedTextures() const {
    std::vector<int> textures;
    for (QTreeWidgetItem* item = m_pTree->FirstSelected(); item; item = m_pTree->NextSelected(item))
        if (ItemTexture(item) >= 0)
            textures.push_back(ItemTexture(item));
    return textures;
}

int CDlgMain::CategoryOfItem(const QTreeWidgetItem* item) const {
    if (!item)
        return -1;
    const auto it = std::find(m_CategoryItems.begin(), m_CategoryItems.end(), item);
    return it == m_CategoryItems.end() ? -1 : int(it - m_CategoryItems.begin());
}

int CDlgMain::CurrentCategory() const {
    QTreeWidgetItem* item = m_pTree->currentItem();
    if (!m_pCache || !item)
        return 0;
    const int texture = ItemTexture(item);
    if (texture >= 0)
        return ShownCategory(texture);
    return std::max(0, CategoryOfItem(item));
}

void CDlgMain::ChangeCategory(int texture, int category) {
    if (texture < 0)
        return;
    LogPrintA("CDlgMain: changin' texture #%d category to %d\n", texture, category);
    CEditScope edit(*m_pCache);
    m_pCache->SetCategory(texture, category);
    for (int a = 0; (a = m_pCache->FindNextAlias(a, texture)) >= 0; ++a)
        m_pCache->SetCategory(a, category);
}

void CDlgMain::MoveSelection(int category) {
    const std::vector<int> textures = SelectedTextures();
    try {
        CEditScope edit(*m_pCache);
        for (int t : textures)
            ChangeCategory(t, category);
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
    ReloadCache();
}

void CDlgMain::NewCategory(bool moveSelection) {
    const QString initial = QString::asprintf("Category%d", m_pCache->CategoryCount() + 1);
    CDlgOneString dialog(Res::Text(Res::Texts::kCategoryNamePrompt),
                         Res::Text(Res::Texts::kNewCategoryCaption), initial, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string name = dialog.Value().toStdString();
    const NameProblem problem = CheckCategoryName(name);
    if (problem == NameProblem::kBlank) {
        if (moveSelection)
            MessageBox(Res::Text(Res::Texts::kNoSpaces).toStdString(), ErrorCaption(),
                       MB_OK | MB_ICONERROR);
        else
            MessageBox(Res::Text(Res::Texts::kNoSpaces).toStdString(), "", MB_OK);
        return;
    }
    if (problem != NameProblem::kNone) {
        ShowError(EditTexts::NameRefused(name, DescribeNameProblem(problem)));
        return;
    }
    try {
        if (!m_pCache->AddCategory(name))
            return;
    } catch (const std::exception& error) {
        ShowError(error.what());
        return;
    }
    const int index = m_pCache->CategoryCount() - 1;
    AddCategoryItem(index, name);
    if (moveSelection)
        MoveSelection(index);
}

bool CDlgMain::BeginLabelEdit(QTreeWidgetItem* item, QString& text) {
    LogPrintA("CDlgMain: label edit started...\n");
    if (!m_pCache)
        return false;
    const int texture = ItemTexture(item);
    if (texture >= 0) {
        text = QString::fromStdString(m_pCache->GetTextureName(texture));
        return true;
    }
    const int category = CategoryOfItem(item);
    if (category < 0)
        return false;
    text = QString::fromStdString(m_pCache->GetCategoryName(category));
    return true;
}

void CDlgMain::EndLabelEdit(QTreeWidgetItem* item, const QString& text) {
    LogPrintA("CDlgMain: label edit ended...\n");
    if (!m_pCache || !item)
        return;
    const std::string name = text.toStdString();
    if (name.empty()) {
        ShowError(Res::String(115).toStdString());
        return;
    }
    try {
        const int texture = ItemTexture(item);
        if (texture < 0) {
            const int category = CategoryOfItem(item);
            const NameProblem problem = CheckCategoryName(name);
            if (category < 0)
                return;
            if (problem != NameProblem::kNone) {
                ShowError(EditTexts::NameRefused(name, DescribeNameProblem(problem)));
                return;
            }
            if (m_pCache->RenameCategory(category, name)) {
                const QString prefix = item->text(0).startsWith("[+] ") ? "[+] " : "";
                item->setText(0, prefix + text);
            }
            return;
        }
        const NameProblem problem = CheckTextureName(name);
        if (problem != NameProblem::kNone) {
            ShowError(EditTexts::NameRefused(name, DescribeNameProblem(problem)));
            return;
        }
        if (m_pCache->RenameTexture(texture, name)) {
            item->setText(0, text);
            UpdateSelection();
        } else if (m_pCache->FindTexture(name, true) != texture) {
            // Another texture has the name in some letter case, or this one in another.
            ShowError(Res::String(114).toStdString());
        }
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
}

void CDlgMain::CreateAlias() {
    int texture = ItemTexture(m_pTree->currentItem());
    if (!m_pCache || texture < 0)
        return;
    if (m_pCache->IsAlias(texture))
        texture = m_pCache->GetOriginalIndex(texture);
    if (texture < 0)
        return;
    const QString original = QString::fromStdString(m_pCache->GetTextureName(texture));
    CDlgOneString dialog(Res::Text(Res::Texts::kAliasNamePrompt), original, original, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string name = dialog.Value().toStdString();
    if (m_pCache->FindTexture(name, true) >= 0) {
        ShowError(Res::Text(Res::Texts::kTextureExists).toStdString());
        return;
    }
    const NameProblem problem = CheckTextureName(name);
    if (problem != NameProblem::kNone) {
        ShowError(EditTexts::NameRefused(name, DescribeNameProblem(problem)));
        return;
    }
    try {
        if (!m_pCache->AddAlias(name, original.toStdString()))
            return;
    } catch (const std::exception& error) {
        ShowError(error.what());
        return;
    }
    m_Damaged.push_back(-1);
    UpdateTexturesTree();
    SelectTexture(m_pCache->TextureCount() - 1);
}

void CDlgMain::DeleteSelectedTextures() {
    QTreeWidgetItem* caret = m_pTree->currentItem();
    if (!m_pCache || !caret)
        return;
    const int count = m_pTree->CountSelected();
    const int caretTexture = ItemTexture(caret);
    if (count <= 1 && !m_pCache->IsValidTexture(caretTexture))
        return;
    const bool siblings = caretTexture >= 0 && m_pCache->CountSiblings(caretTexture) > 0;
    const int question = siblings || count > 1 ? 167 : 117;
    if (MessageBox(Res::String(question).toStdString(), "", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    QElapsedTimer timer;
    timer.start();
    LogPrintA("CDlgMain: -- Removing started (%d total) --\n", count);
    std::vector<int> textures;
    int n = 0;
    if (count <= 1)
        textures.push_back(caretTexture);
    else
        for (QTreeWidgetItem* item = m_pTree->FirstSelected(); item;
             item = m_pTree->NextSelected(item)) {
            LogPrintA("CDlgMain: REMOVING texture #%d (%d out of %d)...\n", ItemTexture(item), ++n,
                      count);
            if (ItemTexture(item) < 0)
                LogPrintA("CDlgMain:  - wrong ID - skipping\n");
            else
                textures.push_back(ItemTexture(item));
        }
    // What goes: the textures and every alias of them, as the cache deletes them.
    const int total = m_pCache->TextureCount();
    std::vector<bool> doomed(size_t(total), false);
    for (int t : textures) {
        doomed[size_t(t)] = true;
        for (int a = 0; (a = m_pCache->FindNextAlias(a, t)) >= 0; ++a)
            doomed[size_t(a)] = true;
    }
    if (textures.empty())
        return;
    const int last = *std::max_element(textures.begin(), textures.end());
    try {
        // One pass over each file, however many textures go.
        if (!m_pCache->DeleteTextures(textures)) {
            ShowError(Res::Text(Res::Texts::kOutOfPlace).toStdString());
            return;
        }
    } catch (const std::exception& error) {
        ShowError(error.what());
        ReloadCache();
        return;
    }
    // The texture that followed the last one deleted takes the selection, else the one
    // before it.
    int next = -1;
    for (int t = last + 1; t < total && next < 0; ++t)
        if (!doomed[size_t(t)])
            next = t;
    const int gone =
        int(std::count(doomed.begin(), doomed.begin() + (next < 0 ? total : next), true));
    const int select = next < 0 ? m_pCache->TextureCount() - 1 : next - gone;
    m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
    UpdateTexturesTree();
    SelectTexture(select);
    LogPrintA("CDlgMain: -- Removing ended within %0.3f seconds --\n", timer.elapsed() / 1000.0);
}

void CDlgMain::DeleteSelectedCategory() {
    QTreeWidgetItem* item = m_pTree->currentItem();
    const int category = CategoryOfItem(item);
    if (!m_pCache || category < 0)
        return;
    if (item->childCount() > 0) {
        MessageBox(Res::String(119).toStdString(), "", MB_OK | MB_ICONWARNING);
        return;
    }
    if (MessageBox(Res::String(116).toStdString(), "", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    try {
        m_pCache->DeleteCategory(category);
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
    UpdateTexturesTree();
}

void CDlgMain::SetDetail(int detail) {
    try {
        CEditScope edit(*m_pCache);
        for (int t : SelectedTextures()) {
            LogPrintA("CDlgMain: Texture #%d hasdetail=%d\n", t, detail);
            m_pCache->SetHasDetail(t, detail);
        }
        m_pCache->RebuildTxt();
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
}

void CDlgMain::ToggleFlag(int id) {
    const std::vector<int> textures = SelectedTextures();
    const bool camnorm = id == EditTexts::kCamNorm;
    try {
        CEditScope edit(*m_pCache);
        for (int t : textures) {
            const TextureRecord& record = m_pCache->Textures()[size_t(t)];
            const bool set = (camnorm ? record.camnorm : record.hasbias) != 0;
            // One texture toggles; several all get the flag.
            const int value = set && textures.size() == 1 ? 0 : 1;
            if (camnorm)
                m_pCache->SetCamNorm(t, value);
            else
                m_pCache->SetHasBias(t, value);
        }
        m_pCache->RebuildTxt();
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
}

void CDlgMain::Find() {
    if (!m_pCache)
        return;
    CDlgOneString dialog(Res::Text(Res::Texts::kFindPrompt), Res::Text(Res::Texts::kFindCaption),
                         m_strSearch, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_strSearch = dialog.Value();
    FindNext();
    m_pMenus->Enable(40227, true);
}

void CDlgMain::FindNext() {
    if (!m_pCache || m_strSearch.isEmpty())
        return;
    const int selected = m_pTree->CountSelected() > 0 ? ItemTexture(m_pTree->currentItem()) : -1;
    const int start = selected >= 0 ? selected + 1 : 0;
    const int found = m_pCache->FindTextureContaining(start, m_strSearch.toStdString());
    LogPrintA("CDlgMain: Found ID = %d\n", found);
    if (found >= 0) {
        SelectTexture(found);
        return;
    }
    if (start == 0) {
        // The whole list was searched: starting again would find nothing either.
        MessageBox(Res::Text(Res::Texts::kNothingFound).toStdString(),
                   Res::String(130).toStdString(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (MessageBox(Res::String(131).toStdString(), Res::String(130).toStdString(),
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (m_pTree->topLevelItemCount() > 0)
        m_pTree->SelectItem(m_pTree->topLevelItem(0));
    FindNext();
}

// The main window's cache browser: opening, creating, reloading and closing a cache, the
// tree, the selection display, mip levels, the cache tabs, thumbnail mode and the game.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/CacheCheck.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Ticks.h"
#include "raster/QtImage.h"
#include "ui/controls/DlgRender.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgMain.h"
#include "ui/main/MenuBar.h"
#include "ui/main/RecentCaches.h"
#include "ui/main/Resources.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTabBar>
#include <cstring>
#include <filesystem>

namespace {

// What the cache went past (an unknown index line, a TOC of the wrong size) is told in a
// box, as it happens.
void ShowCacheWarning(const std::string& text) {
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

// The question a check asks, in the interface's language where the language has it.
std::string ProblemPrompt(const CacheProblem& problem) {
    const QByteArray cache =
        problem.cache ? QString(CacheName(*problem.cache)).toUpper().toUtf8() : QByteArray();
    switch (problem.kind) {
    case CacheProblem::NoIndex:
        return Res::Text(Res::Texts::kNoIndexPrompt).toStdString();
    case CacheProblem::BadToc:
        return Res::FormatText(Res::Texts::kBadTocPrompt, cache.constData()).toStdString();
    case CacheProblem::BadTmb:
        return Res::FormatText(Res::Texts::kBadTmbPrompt, cache.constData()).toStdString();
    default:
        return problem.prompt;
    }
}

constexpr int kTextureRole = Qt::UserRole;

// A texture's item: grey for an alias, red when its raster is damaged, worked out only
// when the item is drawn (loading every header up front would cost the open time).
class TextureItem : public QTreeWidgetItem {
public:
    TextureItem(const QString& name, int id, std::function<QVariant(int)> colour)
        : QTreeWidgetItem(QStringList(name)), m_fnColour(std::move(colour)) {
        setData(0, kTextureRole, id);
    }
    QVariant data(int column, int role) const override {
        if (role == Qt::ForegroundRole && column == 0)
            return m_fnColour(QTreeWidgetItem::data(0, kTextureRole).toInt());
        return QTreeWidgetItem::data(column, role);
    }

private:
    std::function<QVariant(int)> m_fnColour;
};

} // namespace

QString CDlgMain::SizeText(uint64_t size) {
    if (size > 1048576)
        return QString::asprintf("%0.3f MB", size / 1048576.0);
    if (size < 4097)
        return QString::asprintf("%d B", static_cast<int>(size));
    return QString::asprintf("%0.3f KB", size / 1024.0);
}

int CDlgMain::ItemTexture(const QTreeWidgetItem* item) {
    return item ? item->data(0, kTextureRole).toInt() : -1;
}

QTreeWidgetItem* CDlgMain::CategoryItem(int index) const {
    return index >= 0 && size_t(index) < m_CategoryItems.size() ? m_CategoryItems[index] : nullptr;
}

bool CDlgMain::HasCacheFile(CacheId cache) const {
    if (!m_pCache)
        return false;
    return m_bThumbnails ? m_pCache->IsTmbOpen(cache) : m_pCache->IsDatOpen(cache);
}

void CDlgMain::ShowProgress(bool shown, int maximum) {
    m_pProgress->setRange(0, maximum);
    m_pProgress->setVisible(shown);
    m_pMipLevels->setVisible(!shown);
}

bool CDlgMain::IsDamaged(int texture) {
    if (texture < 0 || texture >= int(m_Damaged.size()))
        return false;
    if (m_Damaged[texture] < 0) {
        bool damaged = false;
        try {
            m_pCache->EnsureRecordLoaded(texture);
            for (CacheId k : kAllCaches)
                if (!damaged && m_pCache->IsDatOpen(k) &&
                    m_pCache->GetOffset(k, texture, false) >= 0)
                    damaged =
                        m_pCache->GetDataSize(k, texture, false) == 0 ||
                        std::strcmp(m_pCache->GetFormatName(k, texture, false), "Unknown") == 0;
        } catch (const CError&) {
            damaged = true;
        }
        m_Damaged[texture] = damaged ? 1 : 0;
    }
    return m_Damaged[texture] == 1;
}

int CDlgMain::ShownCategory(int texture) const {
    const int original = m_pCache->IsAlias(texture) ? m_pCache->GetOriginalIndex(texture) : -1;
    return m_pCache->Textures()[size_t(original >= 0 ? original : texture)].cat;
}

void CDlgMain::OpenCache(const std::string& requested) {
    if (m_pCache) {
        SetDatabase(nullptr);
        m_pCache.reset();
        m_pTree->clear();
        m_CategoryItems.clear();
    }
    QElapsedTimer timer;
    timer.start();
    const std::string path = IndexPathFor(requested);
    const std::string name = Files::FileNameOf(path);
    SetTitle(&name);
    try {
        m_pCache = std::make_unique<CTextureDatabase>(path, m_nGame);
        m_pCache->SetWarningSink(ShowCacheWarning);
    } catch (const CError& error) {
        MessageBox(error.what(), Res::String(110).toStdString(), MB_OK | MB_ICONERROR);
        UnloadCache();
        SetPane(0, Res::Text(Res::Texts::kCacheUnloaded));
        return;
    }
    SetDatabase(m_pCache.get());
    m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
    std::vector<CacheProblem> problems = CheckCache(*m_pCache);
    if (!problems.empty() && problems[0].kind == CacheProblem::NoCaches) {
        MessageBox(Res::String(122).toStdString(), Res::String(110).toStdString(),
                   MB_OK | MB_ICONERROR);
        UnloadCache();
        SetPane(0, Res::Text(Res::Texts::kCacheUnloaded));
        return;
    }
    StartBrowsing();
    SetPane(0, Res::Format(148, timer.elapsed() / 1000.0));
    RecentCaches::Add(std::filesystem::absolute(path).lexically_normal().string());
    BuildMenus();

    if (!problems.empty() && (problems[0].kind == CacheProblem::NoIndex ||
                              problems[0].kind == CacheProblem::EmptyIndex)) {
        if (MessageBox(ProblemPrompt(problems[0]), "", MB_YESNO | MB_ICONQUESTION) == IDYES &&
            Repair(problems[0])) {
            m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
            ReloadCache();
        } else {
            UnloadCache();
            SetPane(0, Res::Text(Res::Texts::kCacheUnloaded));
        }
        return;
    }
    // Tables of contents first; the thumbnails are then compared with the repaired counts
    // (a short TOC would otherwise condemn a sound TMB).
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            problems = CheckCache(*m_pCache);
        for (const CacheProblem& problem : problems) {
            if ((problem.kind == CacheProblem::BadToc) != (pass == 0))
                continue;
            if (MessageBox(ProblemPrompt(problem), "", MB_YESNO | MB_ICONWARNING) != IDYES)
                continue;
            if (Repair(problem)) {
                SetPane(0, Res::String(126));
                // The repaired records may be sound where the old ones were not.
                m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
            }
        }
    }
    // A repair may have brought records back: the red marks are worked out afresh.
    m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
    UpdateTexturesTree();
}

void CDlgMain::CheckDiskChanges() {
    // Not in the middle of a long import, export or delete, which holds texture ids, nor
    // while a tool dialog (or any other modal window) holds the cache.
    if (!m_pCache || m_pCache->InEdit() || m_bAskingReload || m_nToolsOpen > 0 ||
        m_pProgress->isVisible() || QApplication::activeModalWidget() ||
        !m_pCache->ChangedOnDisk())
        return;
    const std::vector<std::string> stamp = m_pCache->DiskStamp();
    if (stamp == m_DeclinedStamp)
        return;
    m_bAskingReload = true;
    const int answer = MessageBox(Res::Text(Res::Texts::kChangedOnDisk).toStdString(), "",
                                  MB_YESNO | MB_ICONQUESTION);
    m_bAskingReload = false;
    if (answer != IDYES) {
        // The cache stays as read; an edit of it is refused until it is opened again.
        m_DeclinedStamp = stamp;
        return;
    }
    m_DeclinedStamp.clear();
    const std::string path = m_pCache->Path(); // OpenCache frees the cache that holds it
    OpenCache(path);
}

bool CDlgMain::Repair(const CacheProblem& problem) {
    try {
        const bool fixed = FixProblem(*m_pCache, problem, Thumbnails());
        for (const std::string& note : m_pCache->RepairNotes())
            MessageBox(note, Res::String(110).toStdString(), MB_OK | MB_ICONWARNING);
        return fixed;
    } catch (const std::exception& error) {
        // The repair was undone; the cache is as it was.
        MessageBox(error.what(), Res::String(110).toStdString(), MB_OK | MB_ICONERROR);
        return false;
    }
}

void CDlgMain::StartBrowsing() {
    EnableCacheCommands(true);
    m_pMipLevels->setEnabled(true);
    m_CurrentCache = m_pCache->PrimaryCache().value_or(CacheId::kDxt);
    m_pTabs->blockSignals(true);
    m_pTabs->setCurrentIndex(static_cast<int>(Slot(m_CurrentCache)));
    m_pTabs->blockSignals(false);
}

void CDlgMain::CreateCache(const std::string& path) {
    m_pCache = std::make_unique<CTextureDatabase>(m_nGame);
    m_pCache->SetWarningSink(ShowCacheWarning);
    SetDatabase(m_pCache.get());
    try {
        m_pCache->Create(path);
    } catch (const CError& error) {
        // Undone: whatever stood at that path before is as it was, and is not shown as new.
        MessageBox(error.what(), Res::String(110).toStdString(), MB_OK | MB_ICONERROR);
        UnloadCache();
        return;
    }
    if (m_pCache->PrimaryCache() == std::nullopt) {
        MessageBox(Res::Text(Res::Texts::kNoCachesCreated).toStdString(),
                   Res::String(110).toStdString(), MB_OK | MB_ICONERROR);
        UnloadCache();
        return;
    }
    m_Damaged.clear();
    StartBrowsing();
    UpdateTexturesTree();
    SetPane(0, Res::Text(Res::Texts::kCacheCreated));
}

void CDlgMain::UnloadCache() {
    if (m_pCache) {
        LogPrintA("CDlgMain: freeing cache...\n");
        SetDatabase(nullptr);
        m_pCache.reset();
    }
    if (m_pBitmap) {
        LogPrintA("CDlgMain: freeng current GDI+ bitmap data...\n");
        m_pView->SetImage(nullptr);
        m_pBitmap.reset();
    }
    m_Damaged.clear();
    EnableCacheCommands(false);
    ApplyRenderType(IniReadInt(Settings::kRenderType));
    SetTitle(nullptr);
    m_pMipLevels->clear();
    m_pMipLevels->setEnabled(false);
    m_pTree->clear();
    m_CategoryItems.clear();
}

void CDlgMain::ReloadCache() {
    if (!m_pCache)
        return;
    m_pCache->ReloadTxt();
    m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
    const int selected = ItemTexture(m_pTree->currentItem());
    UpdateTexturesTree();
    if (selected >= 0)
        SelectTexture(selected);
}

void CDlgMain::AddCategoryItem(int index, const std::string& name) {
    const QString prefix = IniReadInt(Settings::kShowPluses) == 0 ? "[+] " : "";
    auto* item = new QTreeWidgetItem(QStringList(prefix + QString::fromStdString(name)));
    item->setData(0, kTextureRole, -1);
    m_pTree->addTopLevelItem(item);
    if (index >= 0) {
        if (size_t(index) >= m_CategoryItems.size())
            m_CategoryItems.resize(std::max<size_t>(64, size_t(index) + 1), nullptr);
        m_CategoryItems[index] = item;
    }
}

void CDlgMain::UpdateTexturesTree() {
    LogPrintA("CDlgMain: Updating textures tree (m_bCategories=%d)...\n", m_bCategories ? 1 : 0);
    QElapsedTimer timer;
    timer.start();
    m_pTree->clear();
    m_CategoryItems.assign(64, nullptr);
    if (!m_pCache)
        return;
    for (int c = 0; c < m_pCache->CategoryCount(); ++c)
        AddCategoryItem(c, m_pCache->GetCategoryName(c));
    const int count = m_pCache->TextureCount();
    if (int(m_Damaged.size()) != count)
        m_Damaged.assign(size_t(count), -1);
    // Items are gathered per category and added in one go: one by one, a large cache
    // would spend most of its open time in the tree.
    std::vector<QList<QTreeWidgetItem*>> children(m_CategoryItems.size());
    QList<QTreeWidgetItem*> roots;
    std::vector<QTreeWidgetItem*> items(size_t(count), nullptr);
    ShowProgress(true, std::max(0, count - 1));
    auto colour = [this](int id) -> QVariant {
        if (m_pCache && m_pCache->IsAlias(id))
            return QColor(0x78, 0x78, 0x78);
        if (m_pCache && IsDamaged(id))
            return QColor(0xC0, 0, 0);
        return QVariant();
    };
    for (int t = 0; t < count; ++t) {
        if ((t & 1023) == 0)
            m_pProgress->setValue(t);
        auto* item =
            new TextureItem(QString::fromStdString(m_pCache->Textures()[t].name), t, colour);
        items[size_t(t)] = item;
        const int category = ShownCategory(t);
        if (m_bCategories && category >= 0 && size_t(category) < children.size() &&
            m_CategoryItems[category])
            children[category].append(item);
        else
            roots.append(item);
    }
    for (size_t c = 0; c < children.size(); ++c)
        if (m_CategoryItems[c] && !children[c].isEmpty())
            m_CategoryItems[c]->addChildren(children[c]);
    m_pTree->addTopLevelItems(roots);
    ShowProgress(false, 100);

    if (IniReadInt(Settings::kShowThumbs) != 0) {
        const CacheId primary = m_pCache->PrimaryCache().value_or(CacheId::kDxt);
        for (int t = 0; t < count; ++t) {
            QTreeWidgetItem* item = items[size_t(t)];
            auto thumb = m_pCache->IsTmbOpen(primary) ? DecodeShown(t, primary, 0, true)
                                                      : std::unique_ptr<Bitmap32>();
            if (thumb)
                item->setIcon(0,
                              QIcon(QPixmap::fromImage(QtImage::Wrap(*thumb).scaled(8, 8).copy())));
        }
    }
    ApplyFilter();
    LogPrintA("CDlgMain:   - updated within %f seconds.\n", timer.elapsed() / 1000.0);
}

void CDlgMain::SelectTexture(int id) {
    if (!m_pCache || id < 0 || id >= m_pCache->TextureCount())
        return;
    QTreeWidgetItem* parent = CategoryItem(ShownCategory(id));
    auto find = [&](QTreeWidgetItem* p) -> QTreeWidgetItem* {
        const int n = p ? p->childCount() : m_pTree->topLevelItemCount();
        for (int i = 0; i < n; ++i) {
            QTreeWidgetItem* item = p ? p->child(i) : m_pTree->topLevelItem(i);
            if (ItemTexture(item) == id)
                return item;
        }
        return nullptr;
    };
    QTreeWidgetItem* item = find(parent);
    if (!item)
        item = find(nullptr);
    if (item)
        m_pTree->SelectItem(item);
}

void CDlgMain::UpdateSelection() {
    if (!m_pTree || !m_pCache || m_pTree->topLevelItemCount() == 0 || !HasCacheFile(m_CurrentCache))
        return;
    const int selected = m_pTree->CountSelected();
    QTreeWidgetItem* item = m_pTree->currentItem();
    if (selected == 0 || !item)
        return;
    if (selected == 1 && !item->isSelected())
        item = m_pTree->FirstSelected();
    const int texture = ItemTexture(item);
    if (selected != 1 || texture < 0) {
        m_pMipLevels->clear();
        m_pMipLevels->setEnabled(false);
        if (m_pBitmap) {
            m_pView->SetImage(nullptr);
            m_pBitmap.reset();
        } else {
            m_pView->SetImage(nullptr);
        }
        ClearPanes();
        if (selected == 1) {
            for (size_t c = 0; c < m_CategoryItems.size(); ++c)
                if (m_CategoryItems[c] == item)
                    SetPane(0, Res::Format(162, m_pCache->GetCategoryName(int(c)).c_str()));
        } else {
            SetPane(0, Res::Format(169, selected));
        }
        return;
    }
    QElapsedTimer timer;
    timer.start();
    const CacheId cache = m_CurrentCache;
    const bool thumb = m_bThumbnails;
    m_pCache->EnsureRecordLoaded(texture);
    FillMipLevels(m_pCache->GetWidth(cache, texture, thumb),
                  m_pCache->GetHeight(cache, texture, thumb),
                  static_cast<int>(m_pCache->GetLevelCount(cache, texture, thumb)));
    SetPane(2,
            QString::asprintf("ID: %02d, Offset: 0x%X", texture,
                              static_cast<unsigned>(m_pCache->GetOffset(cache, texture, thumb))));
    SetPane(3, SizeText(thumb ? m_pCache->GetDataSize(cache, texture, true)
                              : m_pCache->StoredLength(texture, cache, true)));
    SetPane(4, QString::asprintf("%d x %d", m_pCache->GetWidth(cache, texture, thumb),
                                 m_pCache->GetHeight(cache, texture, thumb)));
    const int original = m_pCache->IsAlias(texture) ? m_pCache->GetOriginalIndex(texture) : -1;
    SetPane(1, original >= 0
                   ? QString::fromStdString("[" + m_pCache->GetTextureName(original) + "]")
                   : QString());
    SetPane(5, m_pCache->DetectLayout(texture, cache, thumb) == RecordLayout::kSA ? "GTA SA"
                                                                                  : "GTA VC");
    SetPane(6, m_pCache->GetFormatName(cache, texture, thumb));
    LogPrintA("CDlgMain: Texture #%d\n", texture);
    LogPrintA("CDlgMain:  - Texture size is %d [%d] bytes long.\n",
              static_cast<int>(m_pCache->StoredLength(texture, cache, false)),
              static_cast<int>(m_pCache->StoredLength(texture, cache, true)));
    LogPrintA("CDlgMain:  - Line: %s\n", m_pCache->Textures()[texture].line.c_str());
    RenderTexture(texture, 0);
    SetPane(0,
            Res::Format(125, m_pCache->GetTextureName(texture).c_str(), timer.elapsed() / 1000.0));
}

void CDlgMain::RenderTexture(int id, int mipLevel) {
    m_pView->SetImage(nullptr);
    m_pBitmap.reset();
    if (!HasCacheFile(m_CurrentCache)) {
        MessageBox(Res::Text(Res::Texts::kCacheNotLoaded).toStdString(), "", MB_OK);
        return;
    }
    CacheId cache = m_CurrentCache;
    if (m_bThumbnails && !m_pCache->IsTmbOpen(cache)) {
        const auto withThumbnails =
            std::find_if(kAllCaches.begin(), kAllCaches.end(),
                         [this](CacheId k) { return m_pCache->IsTmbOpen(k); });
        if (withThumbnails == kAllCaches.end()) {
            LogPrintA("CDlgMain: Cannot render thumbnail %d\n", id);
            return;
        }
        cache = *withThumbnails;
    }
    m_pBitmap = DecodeShown(id, cache, static_cast<uint32_t>(mipLevel), m_bThumbnails);
    m_pView->SetImage(m_pBitmap.get());
}

std::unique_ptr<Bitmap32> CDlgMain::DecodeShown(int texture, CacheId cache, uint32_t level,
                                                bool thumbnail) {
    std::unique_ptr<Bitmap32> bitmap;
    try {
        bitmap = DecodeCacheTexture(texture, cache, level, thumbnail);
    } catch (const CError& error) {
        MessageBox(error.what(), "", MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    if (!bitmap && !DecodeError().text.empty())
        MessageBox(DecodeError().text, "",
                   MB_OK | (DecodeError().severe ? MB_ICONHAND : MB_ICONEXCLAMATION));
    return bitmap;
}

void CDlgMain::ShowCurrentTab() {
    m_pTabs->blockSignals(true);
    m_pTabs->setCurrentIndex(static_cast<int>(Slot(m_CurrentCache)));
    m_pTabs->blockSignals(false);
}

void CDlgMain::FillMipLevels(int width, int height, int count) {
    m_pMipLevels->setEnabled(true);
    m_pMipLevels->clear();
    for (int level = 0; level < count; ++level) {
        m_pMipLevels->addItem(Res::FormatText(Res::Texts::kMipLevel, level, width, height), level);
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
    }
    m_pMipLevels->setCurrentIndex(count > 0 ? 0 : -1);
}

void CDlgMain::SelectTab(int cache) {
    if (cache < 0 || cache >= kCacheCount)
        return;
    if (m_pTabs->currentIndex() != cache) {
        m_pTabs->setCurrentIndex(cache); // comes back here through the signal
        return;
    }
    if (!HasCacheFile(kAllCaches[size_t(cache)])) {
        ShowCurrentTab();
        return;
    }
    m_CurrentCache = kAllCaches[size_t(cache)];
    UpdateSelection();
}

void CDlgMain::StepCache(int step) {
    if (!m_pCache)
        return;
    const CacheId next =
        kAllCaches[(Slot(m_CurrentCache) + size_t(step + kCacheCount)) % kCacheCount];
    if (!HasCacheFile(next)) {
        m_CurrentCache = m_pCache->PrimaryCache().value_or(CacheId::kDxt);
        ShowCurrentTab();
        return;
    }
    m_CurrentCache = next;
    ShowCurrentTab();
    UpdateSelection();
}

void CDlgMain::ToggleThumbnails() {
    if (!m_bThumbnails) {
        if (!m_pCache || !m_pCache->IsTmbOpen(m_CurrentCache)) {
            MessageBox(Res::Text(Res::Texts::kNoThumbnails).toStdString(),
                       Res::String(110).toStdString(), MB_OK | MB_ICONINFORMATION);
        } else {
            m_bThumbnails = true;
            ShowCurrentTab();
            m_pMenus->Check(40621, true);
        }
    } else {
        m_bThumbnails = false;
        m_pMenus->Check(40621, false);
    }
    UpdateSelection();
}

void CDlgMain::SetGame(int game) {
    m_nGame = game;
    if (m_pCache) {
        m_pCache->SetGame(game);
        UpdateSelection();
    }
    IniWriteInt(Settings::kGame, game);
    m_pMenus->RadioCheck(40604, 40606, 40604 + game);
}

// The editing commands of the main window by id, the tree's renaming and context menus,
// and the tools that are not built yet.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/MessageBox.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgMain.h"
#include "ui/main/EditTexts.h"
#include "ui/main/MenuBar.h"
#include "ui/main/Resources.h"

#include <QActionGroup>
#include <QCursor>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

using namespace EditTexts;

namespace {

// Hands image files dropped on a widget to the window (the tree's viewport gives the
// point, so the category under it takes them).
class CDropTarget : public QObject {
public:
    using Handler = std::function<void(const QStringList&, const QPoint*)>;
    CDropTarget(QObject* parent, Handler handler, bool withPoint)
        : QObject(parent), m_fnHandler(std::move(handler)), m_bPoint(withPoint) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!LocalFiles(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList files = LocalFiles(drop->mimeData());
            if (files.isEmpty())
                break;
            drop->acceptProposedAction();
            const QPoint point = drop->position().toPoint();
            const bool withPoint = m_bPoint;
            // After the drop is over: the import asks its questions in boxes of its own.
            QTimer::singleShot(0, this, [this, files, point, withPoint] {
                m_fnHandler(files, withPoint ? &point : nullptr);
            });
            return true;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static QStringList LocalFiles(const QMimeData* data) {
        QStringList files;
        if (data && data->hasUrls())
            for (const QUrl& url : data->urls())
                if (url.isLocalFile())
                    files << url.toLocalFile();
        return files;
    }

    Handler m_fnHandler;
    bool m_bPoint;
};

} // namespace

void CDlgMain::InitEditing() {
    m_pTree->onBeginLabelEdit = [this](QTreeWidgetItem* item, QString& text) {
        return BeginLabelEdit(item, text);
    };
    m_pTree->onEndLabelEdit = [this](QTreeWidgetItem* item, const QString& text) {
        EndLabelEdit(item, text);
        return false; // the label was set (or kept) by the edit itself
    };
    m_pTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pTree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { ShowContextMenu(point); });
    auto drop = [this](const QStringList& files, const QPoint* point) { DropFiles(files, point); };
    m_pTree->viewport()->setAcceptDrops(true);
    m_pTree->viewport()->installEventFilter(new CDropTarget(this, drop, true));
    setAcceptDrops(true);
    installEventFilter(new CDropTarget(this, drop, false));
}

void CDlgMain::DropFiles(const QStringList& files, const QPoint* point) {
    if (!m_pCache) {
        MessageBox(Res::String(108).toStdString(), "", MB_OK | MB_ICONERROR);
        return;
    }
    int category = CurrentCategory();
    if (QTreeWidgetItem* item = point ? m_pTree->itemAt(*point) : nullptr) {
        const int texture = ItemTexture(item);
        category = texture >= 0 ? ShownCategory(texture) : std::max(0, CategoryOfItem(item));
    }
    LogPrintA("CDlgMain: %d files dropped into category %d\n", int(files.size()), category);
    ImportFiles(files, true, category, false, true);
    if (m_pCache->TextureCount() > 0)
        SelectTexture(m_pCache->TextureCount() - 1);
}

bool CDlgMain::OnEditCommand(int id) {
    if (OnToolCommand(id))
        return true;
    const bool loaded = m_pCache != nullptr;
    try {
        switch (id) {
        case kExport:
        case kExportOne:
            ExportSelection();
            return true;
        case kExportAll:
            if (loaded)
                ExportAll(-1);
            return true;
        case kExportCategory:
            if (loaded && CategoryOfItem(m_pTree->currentItem()) >= 0)
                ExportAll(CategoryOfItem(m_pTree->currentItem()));
            return true;
        case kImportAlpha:
            ImportImages(true, CurrentCategory(), false);
            return true;
        case kImportNoAlpha:
            ImportImages(false, CurrentCategory(), false);
            return true;
        case kImportUncompressed:
            ImportImages(true, CurrentCategory(), true);
            return true;
        case kNewCategory:
        case kNewCategoryMove:
            if (loaded)
                NewCategory(id == kNewCategoryMove);
            return true;
        case kRenameTexture:
        case kRenameCategory:
            if (loaded)
                m_pTree->EditLabel(m_pTree->currentItem());
            return true;
        case kCreateAlias:
            CreateAlias();
            return true;
        case kGoToOriginal: {
            const int texture = ItemTexture(m_pTree->currentItem());
            if (loaded && texture >= 0 && m_pCache->IsAlias(texture))
                SelectTexture(m_pCache->GetOriginalIndex(texture));
            return true;
        }
        case kDeleteTextures:
            DeleteSelectedTextures();
            return true;
        case kDeleteCategory:
            DeleteSelectedCategory();
            return true;
        case kDeleteKey:
            if (!loaded || m_pTree->IsEditing() || m_pTree->CountSelected() == 0)
                return true;
            if (ItemTexture(m_pTree->currentItem()) < 0)
                DeleteSelectedCategory();
            else
                DeleteSelectedTextures();
            return true;
        case kCamNorm:
        case kHasBias:
            if (loaded)
                ToggleFlag(id);
            return true;
        case kFind:
            Find();
            return true;
        case kFindNext:
            FindNext();
            return true;
        default:
            break;
        }
        if (id >= kMoveFirst && id <= kMoveLast) {
            if (loaded && id - kMoveFirst < m_pCache->CategoryCount())
                MoveSelection(id - kMoveFirst);
            return true;
        }
        if (id >= kDetailNone && id <= kDetailLast) {
            if (loaded)
                SetDetail(id - kDetailNone);
            return true;
        }
    } catch (const std::exception& error) {
        // Whatever the command changed was undone by the cache; say why it stopped.
        MessageBox(error.what(), Res::String(110).toStdString(), MB_OK | MB_ICONERROR);
        return true;
    }
    return false;
}

void CDlgMain::ShowContextMenu(const QPoint& point) {
    QTreeWidgetItem* item =
        m_pTree->CountSelected() < 2 ? m_pTree->itemAt(point) : m_pTree->currentItem();
    if (!item)
        return;
    if (m_pTree->CountSelected() < 2 && item != m_pTree->currentItem())
        m_pTree->SelectItem(item);
    std::unique_ptr<QMenu> menu = ContextMenu(item);
    if (menu)
        menu->exec(m_pTree->viewport()->mapToGlobal(point));
}

namespace {

// The names of the detail textures: the pieces between vertical bars.
QStringList DetailNames(bool sanAndreas) {
    const std::string list =
        IniReadString(sanAndreas ? Settings::kDetailsSA : Settings::kDetailsVC);
    return QString::fromStdString(list).split('|');
}

} // namespace

std::unique_ptr<QMenu> CDlgMain::ContextMenu(QTreeWidgetItem* item) {
    if (!m_pCache || !item)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    auto add = [this](QMenu* parent, int id, const QString& text = QString()) {
        QAction* action = parent->addAction(text.isNull() ? MenuText(id) : text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        return action;
    };
    const int texture = ItemTexture(item);
    if (texture < 0) {
        const int category = CategoryOfItem(item);
        if (category < 0)
            return nullptr;
        menu->setObjectName("category");
        const bool hasItems = item->childCount() > 0;
        add(menu.get(), kExportCategory)->setEnabled(hasItems);
        add(menu.get(), kRenameCategory);
        menu->addSeparator();
        add(menu.get(), kDeleteCategory)->setEnabled(!hasItems);
        return menu;
    }
    const std::vector<int> selected = SelectedTextures();
    const bool one = m_pTree->CountSelected() < 2;
    const bool alias = one && m_pCache->IsAlias(texture);
    const TextureRecord& record = m_pCache->Textures()[size_t(texture)];
    if (one)
        LogPrintA("CDlgMain: Current menu item is %s\n", record.name.c_str());
    else
        LogPrintA("CDlgMain: Selected %d items.\n", m_pTree->CountSelected());
    menu->setObjectName(one ? "one texture menu" : "several textures");
    add(menu.get(), kExportOne);
    if (one)
        add(menu.get(), kRenameTexture);
    menu->addSeparator();

    // Categories, the one of a single texture radio-checked.
    QMenu* categories = menu->addMenu(MenuText(kCategoryPopup));
    categories->setEnabled(!alias);
    add(categories, kNewCategoryMove);
    categories->addSeparator();
    auto* categoryGroup = new QActionGroup(categories);
    for (int c = 0; c < m_pCache->CategoryCount() && kMoveFirst + c <= kMoveLast; ++c) {
        QAction* action =
            add(categories, kMoveFirst + c, QString::fromStdString(m_pCache->GetCategoryName(c)));
        if (one) {
            action->setCheckable(true);
            action->setChecked(ShownCategory(texture) == c);
            categoryGroup->addAction(action);
        }
    }

    // Details: the list of the game whose layout the cache's first texture has.
    bool sanAndreas = false;
    try {
        const auto primary = m_pCache->PrimaryCache();
        sanAndreas = primary && m_pCache->TextureCount() > 0 &&
                     m_pCache->DetectLayout(0, *primary, false) == RecordLayout::kSA;
    } catch (const std::exception&) {
        sanAndreas = false;
    }
    QMenu* details = menu->addMenu(MenuText(kDetailPopup));
    details->setEnabled(!alias);
    auto* detailGroup = new QActionGroup(details);
    QStringList names = DetailNames(sanAndreas);
    names.prepend(MenuText(kDetailNone));
    for (int k = 0; k < names.size(); ++k) {
        QAction* action = add(details, kDetailNone + k, names[k]);
        if (kDetailNone + k > kDetailLast)
            action->setEnabled(false); // beyond the commands the cache can take
        if (one) {
            action->setCheckable(true);
            action->setChecked(record.hasdetail == k);
            detailGroup->addAction(action);
        }
    }

    // Properties: the flags of one texture checked; for several, how many have each.
    QMenu* properties = menu->addMenu(MenuText(kPropertiesPopup));
    properties->setEnabled(!alias);
    const std::pair<int, uint16_t TextureRecord::*> flags[] = {
        {kCamNorm, &TextureRecord::camnorm},     {kHasSibling, &TextureRecord::hassibling},
        {kHasDetail, &TextureRecord::hasdetail}, {kHasBias, &TextureRecord::hasbias},
        {kMipMode, &TextureRecord::mipmode},     {kStreamMode, &TextureRecord::streammode}};
    for (const auto& [id, field] : flags) {
        QAction* action = add(properties, id);
        const bool counted =
            id == kCamNorm || id == kHasBias || id == kHasDetail || id == kHasSibling;
        if (one) {
            action->setCheckable(true);
            action->setChecked(record.*field != 0);
        } else if (counted) {
            int have = 0;
            for (int t : selected)
                have += m_pCache->Textures()[size_t(t)].*field != 0 ? 1 : 0;
            action->setText(
                QString("%1\t%2 / %3").arg(MenuText(id)).arg(have).arg(selected.size()));
            action->setEnabled(id == kCamNorm || id == kHasBias);
        } else {
            action->setVisible(false);
        }
    }
    menu->addSeparator();
    if (one) {
        add(menu.get(), kCreateAlias)->setEnabled(!alias);
        add(menu.get(), kGoToOriginal)->setEnabled(alias);
        add(menu.get(), kShowAliases)->setEnabled(!alias);
        menu->addSeparator();
    }
    add(menu.get(), kDeleteTextures);
    return menu;
}

#pragma once
// The main window: the one open texture cache, its textures in a tree by category, the
// four caches as tabs, the mip levels of the selected texture, and the texture view.
#include "cache/CacheCheck.h"
#include "cache/TextureDatabase.h"
#include "pipeline/CacheHelper.h"
#include "ui/tools/MainHooks.h"

#include <QMainWindow>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDlgRender;
class CMenuBar;
struct LanguagePack;
class CExportRun;
class CTreeCtrlEx;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTabBar;
class QAction;
class QToolBar;
class QToolButton;
class QTranslator;
class QMenu;
class QTreeWidgetItem;

class CDlgMain : public QMainWindow, public CCacheHelper, public IMainWindowHooks {
    Q_OBJECT
public:
    enum { kPaneCount = 7 };
    static constexpr int kPaneWidths[kPaneCount] = {-1, 130, 150, 60, 100, 60, 60};
    // Room kept for the first (stretching) pane, and each fixed pane's frame, when the
    // window's narrowest width is worked out.
    static constexpr int kFirstPaneRoom = 120;
    static constexpr int kPaneMargin = 4;
    // How often the window looks for changes another program made to the cache.
    static constexpr int kDiskCheckMs = 2000;

    // Loads and binds the codec plug-ins, showing the start-up logo meanwhile. Empty
    // folders: the plug-ins and language packs beside the program (or installed).
    CDlgMain(const std::string& settingsPath, std::vector<std::string> args,
             const std::string& pluginsFolder = std::string(),
             const std::string& languagesFolder = std::string());
    ~CDlgMain() override;

    // Everything the window does once before it is shown (menus, tabs, view options,
    // window position, first-run notice, the cache named on the command line).
    void OnInitDialog();

    void OpenCache(const std::string& path);
    void CreateCache(const std::string& path);
    void UnloadCache();
    void ReloadCache();
    void UpdateTexturesTree();
    void AddCategoryItem(int index, const std::string& name);
    void UpdateSelection();
    void RenderTexture(int id, int mipLevel);
    void FillMipLevels(int width, int height, int count);
    void SelectTexture(int id);
    void SetTitle(const std::string* name);
    // Carries out a menu or accelerator command.
    void OnCommand(int id);
    // (Re)builds the menu bar: at start, after a language change and after every plug-in
    // menu command.
    void BuildMenus();
    // Fills the language submenu with the packs of the languages folder.
    void ListLanguages();
    // Switches the interface to the pack with this file title; empty: the built-in
    // texts. A pack that fails to load says so and leaves the built-in texts in use.
    void LoadLanguage(const std::string& name);
    // The file title of the language in use; empty for the built-in one.
    std::string Language() const;
    // Selects a cache tab as the user would.
    void SelectTab(int cache);
    // When another program changed the open cache's files, offers to read them again
    // (once for each change the user declines). Runs every few seconds.
    void CheckDiskChanges();

    CTextureDatabase* Cache() const { return m_pCache.get(); }
    CacheId CurrentCache() const { return m_CurrentCache; }
    bool ThumbnailMode() const { return m_bThumbnails; }
    int GameSelection() const { return m_nGame; }
    QString PaneText(int pane) const;
    CTreeCtrlEx* Tree() const { return m_pTree; }
    QLineEdit* FilterBox() const { return m_pFilter; }
    CDlgRender* View() const { return m_pView; }
    QComboBox* MipLevels() const { return m_pMipLevels; }
    QTabBar* Tabs() const { return m_pTabs; }
    CMenuBar* Menus() const { return m_pMenus; }
    const Bitmap32* CurrentBitmap() const { return m_pBitmap.get(); }
    // The tree item of a category, or nullptr.
    QTreeWidgetItem* CategoryItem(int index) const;
    // The size pane's text for a byte count.
    static QString SizeText(uint64_t size);
    // The texture id of an item; -1 for a category item or none.
    static int ItemTexture(const QTreeWidgetItem* item);

    // Editing commands (DlgMainEdit.cpp, DlgMainTransfer.cpp, DlgMainContext.cpp).
    int CurrentCategory() const;
    void ChangeCategory(int texture, int category);
    void DeleteSelectedTextures();
    void DeleteSelectedCategory();
    void FindNext();
    bool ImportImages(bool withAlpha, int category, bool uncompressed);
    // Imports image files as ImportImages does after its file dialog; the number imported.
    // alphaByImage: each image keeps its alpha when it has any (withAlpha is ignored).
    int ImportFiles(const QStringList& files, bool withAlpha, int category, bool uncompressed,
                    bool alphaByImage = false);
    int ImportImage(const Bitmap32& bitmap, const std::string& name, bool withAlpha, int category,
                    bool uncompressed, std::optional<CacheId> targetCache);
    void ExportSelection();
    // category -1: every category.
    void ExportAll(int category);
    // The folder an export of several textures goes to (remembered); empty when cancelled.
    std::string ChooseExportFolder();
    // Writes the run's textures with a progress box that can cancel, then reports.
    void RunExport(CExportRun& run);
    // The tree's context menu for an item (nullptr when it gets none); its actions run
    // the commands.
    std::unique_ptr<QMenu> ContextMenu(QTreeWidgetItem* item);
    const QString& SearchText() const { return m_strSearch; }

    // The tool dialogs' requests (DlgMainHooks.cpp), from any thread.
    int ImportHook(TextureImportRequest& request, const Bitmap32* bitmap) override;
    int RenderHook(const std::string* name, const Bitmap32* bitmap) override;
    int SetFocusHook(int texture) override;
    int ReloadListHook() override;
    std::unique_ptr<Bitmap32> GetDataHook(int texture, int cache) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Lays the controls out whenever the client area changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The editing commands' part of OnCommand; false for an id they do not handle.
    bool OnEditCommand(int id);
    // Connects the tree's renaming, context menu and drops to the commands.
    void InitEditing();
    bool BeginLabelEdit(QTreeWidgetItem* item, QString& text);
    void EndLabelEdit(QTreeWidgetItem* item, const QString& text);
    void ShowContextMenu(const QPoint& point);
    // Image files dropped on the tree (at point of its viewport) or elsewhere on the
    // window (point null): imported into the category under the point.
    void DropFiles(const QStringList& files, const QPoint* point);
    // The selected textures in tree order (category items left out).
    std::vector<int> SelectedTextures() const;
    int CategoryOfItem(const QTreeWidgetItem* item) const;
    void NewCategory(bool moveSelection);
    void MoveSelection(int category);
    void CreateAlias();
    void Find();
    void SetDetail(int detail);
    void ToggleFlag(int id);
    // The Tools menu's dialogs; false for an id that is not a tool.
    bool OnToolCommand(int id);
    // The dictionary, model and archive tools (DlgMainDictionaryTools.cpp).
    void RunImportTxd();
    void RunModelCheck();
    void RunImportImg();
    void RunImgTool();
    // Runs f on the window's thread, waiting for it when called from another.
    template <class F> auto OnWindowThread(F f) -> decltype(f());
    // The category a texture is listed under: an alias's is its original's.
    int ShownCategory(int texture) const;
    void SetPane(int pane, const QString& text);
    void ClearPanes();
    void EnableCacheCommands(bool enabled);
    // One repair of the opening checks; a failure is shown and changes nothing.
    bool Repair(const CacheProblem& problem);
    // A cache just opened or created: its commands on, its primary cache current.
    void StartBrowsing();
    void ApplyRenderType(int type);
    void ApplyBackground(int mode);
    void ChooseBackgroundColor();
    void StepCache(int step);
    void ToggleThumbnails();
    void SetGame(int game);
    void ToggleConsole();
    void BuildToolBar();
    // Texts of the window's own controls, again after a language change.
    void RetranslateControls();
    // The toolkit's own dialogs in the pack's language, where a translation is installed.
    void SwitchToolkitLanguage(const QString& locale);
    void ShowAbout();
    void LayoutControls();
    // Hides the textures whose names lack the filter box's text (and emptied categories).
    void ApplyFilter();
    // Opens the cache at a position of File > Recent Caches.
    void OpenRecentCache(size_t position);
    bool HasCacheFile(CacheId cache) const;
    // Shows the tab of the current cache without reacting to it.
    void ShowCurrentTab();
    // DecodeCacheTexture, with a box saying why when the data could not be decoded.
    std::unique_ptr<Bitmap32> DecodeShown(int texture, CacheId cache, uint32_t level,
                                          bool thumbnail);
    void ShowProgress(bool shown, int maximum = 100);
    // Red: a raster of some present cache has no size or an unknown format.
    bool IsDamaged(int texture);

    std::string m_strSettingsPath;
    std::vector<std::string> m_Args;
    std::unique_ptr<CTextureDatabase> m_pCache;
    CTreeCtrlEx* m_pTree = nullptr;
    QLineEdit* m_pFilter = nullptr;
    std::vector<QTreeWidgetItem*> m_CategoryItems; // 64 entries
    CacheId m_CurrentCache = CacheId::kDxt;
    bool m_bCategories = true;
    bool m_bThumbnails = false;
    int m_nGame = 0;
    std::unique_ptr<Bitmap32> m_pBitmap;
    std::unique_ptr<Bitmap32> m_pHookBitmap; // what the render hook gave the view, copied
    CDlgRender* m_pView = nullptr;
    QWidget* m_pCentral = nullptr;
    QWidget* m_pTabArea = nullptr;
    QTabBar* m_pTabs = nullptr;
    QComboBox* m_pMipLevels = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pPanes[kPaneCount] = {};
    QToolBar* m_pToolBar = nullptr;
    QAction* m_pToolNew = nullptr;
    QAction* m_pToolOpen = nullptr;
    QAction* m_pToolExport = nullptr;
    QToolButton* m_pToolImport = nullptr;
    CMenuBar* m_pMenus = nullptr;
    std::string m_strLanguagesFolder;
    std::unique_ptr<LanguagePack> m_pLanguage;
    std::string m_strLanguage;
    std::unique_ptr<QTranslator> m_pQtTranslator;
    std::vector<int8_t> m_Damaged;            // per texture: -1 unknown, 0 sound, 1 damaged
    std::vector<std::string> m_DeclinedStamp; // the files as they were when reload was declined
    bool m_bAskingReload = false;
    int m_nToolsOpen = 0; // tool windows holding the cache, which a reload would free
    QString m_strSearch; // the last search text, offered again by Find
};

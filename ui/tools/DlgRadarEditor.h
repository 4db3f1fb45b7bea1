#pragma once
// The radar map editor: the tiles of one cache in a list, the whole map shown in the main
// window's view or saved to a file, a picture imported as new tiles, and look-alike tiles
// turned into aliases. The work is done by the core's radar map operations; the window is
// reached only through its hooks.
#include "pipeline/CacheHelper.h"
#include "pipeline/RadarMap.h"
#include "ui/tools/MainHooks.h"
#include "ui/tools/ToolStatus.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDlgRadarEditor : public QDialog {
    Q_OBJECT
public:
    // helper: the window's own pipeline over the open cache; game: the window's game
    // setting (0 automatic), for a cache that has no records yet.
    CDlgRadarEditor(QWidget* parent, IMainWindowHooks& hooks, CCacheHelper& helper, CacheId cache,
                    int game);
    ~CDlgRadarEditor() override;

    // Fills the list from the cache (after opening, an import or an optimisation).
    void FillList();
    // The buttons' work, callable by tests without the file dialogs.
    bool ExportMap(const QString& path);
    void ShowWholeMap();
    // Imports a picture file; the checks and the alpha question as the button asks them.
    void ImportMap(const QString& path);
    void OptimizeMap();

    bool Busy() const { return m_bBusy; }
    QTreeWidget* List() const { return m_pList; }
    QLabel* Status() const { return m_pStatus; }
    const Bitmap32* ShownMap() const { return m_pShownMap.get(); }

    // The name the whole map is shown under in the main window's view.
    static constexpr const char* kMapName = "radar_fuck";

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    enum Column { kColumnRadar, kColumnInfo, kColumnAlias, kColumnCount };
    void OnExport();
    void OnImport();
    void OnSelect(QTreeWidgetItem* item);
    // "Please wait until operation ended" when busy; true when the dialog may act.
    bool RefuseWhenBusy();
    RadarProgress Progress();
    TileDecoder Decoder();
    QString DefaultFileName() const;

    IMainWindowHooks& m_Hooks;
    CCacheHelper& m_Helper;
    CacheId m_Cache;
    int m_nGame;
    bool m_bBusy = false;
    std::unique_ptr<Bitmap32> m_pShownMap;
    QTreeWidget* m_pList = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pExport = nullptr;
    QPushButton* m_pImport = nullptr;
    QPushButton* m_pShow = nullptr;
    QPushButton* m_pOptimize = nullptr;
    CToolStatus m_ToolStatus{nullptr, nullptr};
};

#include "ui/tools/DlgOptimize.h"

#include "pipeline/CacheOptimizer.h"
#include "platform/MessageBox.h"
#include "ui/tools/MainHooks.h"
#include "ui/tools/ToolStatus.h"
#include "ui/tools/ToolBoxes.h"
#include "ui/tools/ToolTexts.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using namespace ToolBoxes;
using namespace ToolTexts;

constexpr const char* kDefaultThreshold = "5";
constexpr RasterAlgorithm kAlgorithmOf[] = {RasterAlgorithm::kMd5, RasterAlgorithm::kMd5Decoded,
                                            RasterAlgorithm::kPixelDiff,
                                            RasterAlgorithm::kPixelDiffDecoded};
// Progress is drawn this often; drawing it for every texture would cost more than the pass.
constexpr qint64 kRepaintIntervalMs = 50;

} // namespace

CDlgOptimize::CDlgOptimize(IMainWindowHooks& hooks, CTextureDatabase* cache, QWidget* parent)
    : QDialog(parent), m_Hooks(hooks), m_pCache(cache) {
    setObjectName("CDlgOptimize");
    setWindowTitle(Text(kOptimizerTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Text(kOptimizerNote)));
    m_pAliasNames = new QRadioButton(Text(kAliasNames));
    m_pAliasNames->setObjectName("aliasNames");
    m_pAliasNames->setChecked(true);
    m_pDeleteNames = new QRadioButton(Text(kDeleteNames));
    m_pDeleteNames->setObjectName("deleteNames");
    m_pRasters = new QRadioButton(Text(kAliasRasters));
    m_pRasters->setObjectName("rasters");
    for (QRadioButton* radio : {m_pAliasNames, m_pDeleteNames, m_pRasters})
        layout->addWidget(radio);
    auto* form = new QFormLayout;
    m_pCacheList = new QComboBox;
    m_pCacheList->setObjectName("cache");
    for (CacheId k : kAllCaches)
        if (m_pCache && m_pCache->IsDatOpen(k))
            m_pCacheList->addItem(QString::fromLatin1(CacheName(k)).toUpper(), int(Slot(k)));
    m_pCacheList->setEnabled(m_pCache != nullptr);
    form->addRow(Text(kCompareCache), m_pCacheList);
    m_pAlgorithm = new QComboBox;
    m_pAlgorithm->setObjectName("algorithm");
    for (const char* name : kAlgorithms)
        m_pAlgorithm->addItem(Text(name));
    form->addRow(Text(kAlgorithm), m_pAlgorithm);
    m_pThreshold = new QLineEdit(kDefaultThreshold);
    m_pThreshold->setObjectName("threshold");
    auto* threshold = new QHBoxLayout;
    threshold->addWidget(m_pThreshold);
    auto* hint = new QLabel(Text(kThresholdHint));
    hint->setEnabled(false);
    threshold->addWidget(hint);
    form->addRow(Text(kThreshold), threshold);
    layout->addLayout(form);
    m_pProgress = new QProgressBar;
    layout->addWidget(m_pProgress);
    m_pStatus = new QLabel(Text(kNothingToDo));
    m_pStatus->setObjectName("status");
    layout->addWidget(m_pStatus);
    m_pToolStatus = std::make_unique<CToolStatus>(m_pStatus, m_pProgress);
    auto* buttons = new QHBoxLayout;
    m_pOptimize = new QPushButton(Text(kOptimize));
    m_pOptimize->setObjectName("optimize");
    m_pOptimize->setEnabled(m_pCache != nullptr);
    auto* close = new QPushButton(Text(kClose));
    close->setObjectName("close");
    buttons->addWidget(m_pOptimize);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_pOptimize, &QPushButton::clicked, this, &CDlgOptimize::OnOptimize);
    connect(close, &QPushButton::clicked, this, &CDlgOptimize::reject);
}

CDlgOptimize::~CDlgOptimize() = default;

void CDlgOptimize::Progress(int position, int count, const std::string& text) {
    static QElapsedTimer timer;
    if (timer.isValid() && timer.elapsed() < kRepaintIntervalMs)
        return;
    timer.start();
    const QString shown = QString::fromStdString(text);
    m_pToolStatus->Show(count == 0 ? shown : QString("%1 / %2 : %3").arg(position).arg(count).arg(shown),
                        position, count);
}

void CDlgOptimize::OnOptimize() {
    if (!m_pCache)
        return;
    m_pOptimize->setEnabled(false);
    m_bRunning = true;
    const OptimizeProgress progress = [this](int position, int count, const std::string& text) {
        Progress(position, count, text);
    };
    OptimizeResult result;
    try {
        if (m_pRasters->isChecked()) {
            const CacheId cache = kAllCaches[size_t(m_pCacheList->currentData().toInt())];
            result = OptimizeRasters(*m_pCache, cache, kAlgorithmOf[m_pAlgorithm->currentIndex()],
                                     ParseThreshold(m_pThreshold->text().toStdString()), progress);
            if (result.problem.empty())
                m_pStatus->setText(FormatText(kDuplicates, result.duplicates));
        } else {
            result = OptimizeNames(*m_pCache, m_pDeleteNames->isChecked(), progress);
            if (result.problem.empty())
                m_pStatus->setText(String(kDone));
        }
        m_pProgress->setValue(0);
    } catch (const std::exception& error) {
        result.problem = error.what();
    }
    if (!result.problem.empty()) {
        m_pStatus->setText(QString::fromStdString(result.problem));
        ErrorBox(QString::fromStdString(result.problem));
    }
    m_bRunning = false;
    m_pOptimize->setEnabled(true);
    m_Hooks.ReloadListHook();
}

void CDlgOptimize::reject() {
    if (m_bRunning) {
        BusyBox();
        return;
    }
    QDialog::reject();
}

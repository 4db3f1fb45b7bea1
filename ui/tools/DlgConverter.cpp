#include "ui/tools/DlgConverter.h"

#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/MessageBox.h"
#include "ui/tools/MainHooks.h"
#include "ui/tools/ToolStatus.h"
#include "ui/tools/ToolBoxes.h"
#include "ui/tools/ToolTexts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using namespace ToolBoxes;
using namespace ToolTexts;

// The status shows a step only this often, so a fast conversion does not flood the
// window's event queue.
constexpr qint64 kStatusIntervalMs = 50;
// Textures a message box names at most.
constexpr size_t kListedUnconverted = 20;

QString Upper(CacheId cache) {
    return QString::fromLatin1(CacheName(cache)).toUpper();
}

} // namespace

CDlgConverter::CDlgConverter(IMainWindowHooks& hooks, CTextureDatabase* cache, QWidget* parent)
    : QDialog(parent), m_Hooks(hooks), m_pCache(cache) {
    setObjectName("CDlgConverter");
    setWindowTitle(Text(kConverterTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Text(kConverterNote)));
    auto* form = new QFormLayout;
    m_pSource = new QComboBox;
    m_pSource->setObjectName("source");
    m_pTarget = new QComboBox;
    m_pTarget->setObjectName("target");
    form->addRow(Text(kSourceCache), m_pSource);
    form->addRow(Text(kTargetCache), m_pTarget);
    layout->addLayout(form);
    for (CacheId k : kAllCaches) {
        const bool present = m_pCache && m_pCache->IsDatOpen(k);
        if (present)
            m_pSource->addItem(Upper(k), int(Slot(k)));
        m_pTarget->addItem(Upper(k) + (present ? Text(kRebuildSuffix) : QString()), int(Slot(k)));
    }
    m_pTarget->setCurrentIndex(1);
    m_pProgress = new QProgressBar;
    m_pProgress->setEnabled(false);
    layout->addWidget(m_pProgress);
    m_pStatus = new QLabel;
    m_pStatus->setObjectName("status");
    layout->addWidget(m_pStatus);
    m_pToolStatus = std::make_unique<CToolStatus>(m_pStatus, m_pProgress);
    auto* buttons = new QHBoxLayout;
    m_pGo = new QPushButton(Text(kGo));
    m_pGo->setObjectName("go");
    m_pCancel = new QPushButton(Text(kCancel));
    m_pCancel->setObjectName("cancel");
    m_pCancel->setEnabled(false);
    m_pClose = new QPushButton(Text(kClose));
    m_pClose->setObjectName("close");
    buttons->addWidget(m_pGo);
    buttons->addWidget(m_pCancel);
    buttons->addWidget(m_pClose);
    layout->addLayout(buttons);
    m_pGo->setEnabled(m_pCache && m_pCache->PrimaryCache());
    connect(m_pGo, &QPushButton::clicked, this, &CDlgConverter::OnGo);
    connect(m_pCancel, &QPushButton::clicked, this, &CDlgConverter::OnCancel);
    connect(m_pClose, &QPushButton::clicked, this, &CDlgConverter::reject);
}

CDlgConverter::~CDlgConverter() {
    // Never leaves a worker writing into a cache nobody watches: it is cancelled and
    // waited for (the cancel leaves the old target).
    m_bCancel = true;
    if (m_Worker.joinable())
        m_Worker.join();
}

void CDlgConverter::SetIdle(bool idle) {
    m_pSource->setEnabled(idle);
    m_pTarget->setEnabled(idle);
    m_pGo->setEnabled(idle && m_pCache);
    m_pCancel->setEnabled(!idle);
}

void CDlgConverter::OnGo() {
    // A second press while a conversion runs starts nothing.
    if (m_bBusy || !m_pCache || m_pSource->currentIndex() < 0)
        return;
    const CacheId source = kAllCaches[size_t(m_pSource->currentData().toInt())];
    const CacheId target = kAllCaches[size_t(m_pTarget->currentData().toInt())];
    if (source == target) {
        ErrorBox(Text(kSameCache));
        return;
    }
    if (m_pCache->IsDatOpen(target) &&
        MessageBox(Utf8(Text(kOverwrite)), "", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    SetIdle(false);
    m_bBusy = true;
    m_bCancel = false;
    if (m_Worker.joinable())
        m_Worker.join();
    ConvertOptions options;
    options.source = source;
    options.target = target;
    options.game = IniReadInt(Settings::kGame);
    // The worker reports through the window's event queue; a cancel is noticed at the
    // next step.
    options.progress = [this, timer = std::make_shared<QElapsedTimer>()](
                           const std::string& text, int position, int count) {
        if (!timer->isValid() || timer->elapsed() >= kStatusIntervalMs) {
            timer->start();
            QMetaObject::invokeMethod(
                this,
                [this, shown = text == kPreparing ? Text(kPreparing)
                                                  : QString::fromStdString(text),
                 position, count] {
                    if (m_bBusy) {
                        m_pProgress->setEnabled(true);
                        m_pToolStatus->Show(shown, position, count);
                    }
                },
                Qt::QueuedConnection);
        }
        return !m_bCancel.load();
    };
    m_Worker = std::thread([this, options] {
        QElapsedTimer clock;
        clock.start();
        const ConvertResult result = ConvertCache(*m_pCache, options);
        const double seconds = clock.elapsed() / 1000.0;
        QMetaObject::invokeMethod(
            this, [this, result, seconds] { Finish(result, seconds); }, Qt::QueuedConnection);
    });
}

void CDlgConverter::OnCancel() {
    m_bCancel = true;
}

void CDlgConverter::Finish(const ConvertResult& result, double seconds) {
    if (m_Worker.joinable())
        m_Worker.join();
    m_bBusy = false;
    m_LastResult = result;
    SetIdle(true);
    m_pProgress->setEnabled(false);
    m_pProgress->reset();
    if (result.converted) {
        m_pStatus->setText(FormatText(kDoneWithin, seconds));
        if (!result.unconverted.empty()) {
            QString text = FormatText(kUnconverted, int(result.unconverted.size()));
            // The first ones by name; the log holds every one.
            for (size_t i = 0; i < result.unconverted.size() && i < kListedUnconverted; ++i)
                text += "\n" + QString::fromStdString(result.unconverted[i]);
            if (result.unconverted.size() > kListedUnconverted)
                text += "\n...";
            ErrorBox(text, MB_ICONWARNING);
        }
    } else if (result.cancelled) {
        m_pStatus->setText(Text(kCancelled));
    } else {
        m_pStatus->setText(QString::fromStdString(result.problem));
        ErrorBox(QString::fromStdString(result.problem) + "\n" + Text(kLeftAsItWas));
    }
    m_Hooks.ReloadListHook();
}

void CDlgConverter::reject() {
    if (m_bBusy) {
        BusyBox();
        return;
    }
    QDialog::reject();
}

void CDlgConverter::closeEvent(QCloseEvent* event) {
    if (m_bBusy) {
        event->ignore();
        BusyBox();
        return;
    }
    QDialog::closeEvent(event);
}

// The requests of the tool dialogs. A tool's worker thread calls them too: the work is
// then done on the window's thread while the worker waits, so the window and its cache
// are only ever touched from one thread at a time.
#include "app/Log.h"
#include "cache/NameRules.h"
#include "ui/controls/DlgRender.h"
#include "ui/main/DlgMain.h"
#include "pipeline/ImportImage.h"
#include "ui/main/Resources.h"

#include <QElapsedTimer>
#include <QThread>

template <class F> auto CDlgMain::OnWindowThread(F f) -> decltype(f()) {
    if (QThread::currentThread() == thread())
        return f();
    decltype(f()) result{};
    QMetaObject::invokeMethod(
        this, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

int CDlgMain::ImportHook(TextureImportRequest& request, const Bitmap32* bitmap) {
    return OnWindowThread([&] {
        LogPrintA("CDlgMain: Texture external import hook.\n");
        if (!request.targetGiven)
            request.targetCache = -1;
        LogPrintA("CDlgMain:  - cache id %d\n", request.targetCache);
        if (!m_pCache)
            return 0;
        const bool target = request.targetCache >= 0 && request.targetCache < kCacheCount;
        int success = 0;
        try {
            if (!request.affiliateName.empty()) {
                if (request.targetGiven) {
                    // The alias's place in the one cache being filled; no alias is made.
                    if (target)
                        m_pCache->AppendNoRecord(kAllCaches[size_t(request.targetCache)]);
                    return 0;
                }
                success = m_pCache->AddAlias(request.name, request.affiliateName);
            } else if (bitmap && request.replace &&
                       CheckTextureName(request.name) == NameProblem::kNone) {
                const StoreResult result =
                    StoreImage(*this, *bitmap, request.name, request.withAlpha != 0,
                               request.category, request.uncompressed != 0, m_nGame, true);
                success = result == StoreResult::kStored;
                if (result == StoreResult::kOutOfPlace)
                    LogPrintA("CDlgMain:  - ERROR: the old texture's records are out of "
                              "place; not replaced\n");
            } else if (bitmap && CheckTextureName(request.name) == NameProblem::kNone) {
                success = ImportImage(
                    *bitmap, request.name, request.withAlpha != 0, request.category,
                    request.uncompressed != 0,
                    target ? std::optional(kAllCaches[size_t(request.targetCache)]) : std::nullopt);
            } else {
                LogPrintA("CDlgMain:  - ERROR: no picture, or a name the index cannot hold\n");
            }
        } catch (const std::exception& error) {
            LogPrintA("CDlgMain:  - ERROR: %s\n", error.what());
            success = 0;
        }
        request.stored = success ? 1 : 0;
        if (success && !request.noRefresh) {
            m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
            UpdateTexturesTree();
        }
        return 0;
    });
}

int CDlgMain::RenderHook(const std::string* name, const Bitmap32* bitmap) {
    return OnWindowThread([&] {
        LogPrintA("CDlgMain: Texture external render hook (0x%llX, 0x%llX).\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(name)),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(bitmap)));
        QElapsedTimer timer;
        timer.start();
        if (!bitmap && !m_pView->Image())
            return 0;
        // The view shows a copy: the tool may free its bitmap whenever it likes (closing,
        // say) while the view still shows it, and a repaint would then read freed memory.
        m_pHookBitmap = bitmap ? bitmap->Clone() : nullptr;
        m_pView->SetImage(m_pHookBitmap.get());
        SetPane(0, Res::Format(125, name ? name->c_str() : "unnamed", timer.elapsed() / 1000.0));
        return 0;
    });
}

int CDlgMain::SetFocusHook(int texture) {
    return OnWindowThread([&] {
        LogPrintA("CDlgMain: Texture external SetFocus hook (0x%X, 0x%X).\n", texture, 0);
        if (m_pCache && texture >= 0 && texture < m_pCache->TextureCount())
            SelectTexture(texture);
        return 0;
    });
}

int CDlgMain::ReloadListHook() {
    return OnWindowThread([&] {
        LogPrintA("CDlgMain: Reload list hook hook (0x%X, 0x%X).\n", 0, 0);
        if (m_pCache)
            m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
        UpdateTexturesTree();
        return 0;
    });
}

std::unique_ptr<Bitmap32> CDlgMain::GetDataHook(int texture, int cache) {
    return OnWindowThread([&]() -> std::unique_ptr<Bitmap32> {
        LogPrintA("CDlgMain: Texture external getdata hook.\n");
        if (!m_pCache || cache < 0 || cache >= kCacheCount)
            return nullptr;
        try {
            return DecodeCacheTexture(texture, kAllCaches[size_t(cache)], 0, false);
        } catch (const std::exception& error) {
            LogPrintA("CDlgMain:  - ERROR: %s\n", error.what());
            return nullptr;
        }
    });
}

// The main window's imports of image files and exports of textures. Both go through the
// pipeline the command-line tool uses; a file that fails is reported with its name and
// the reason, and a long run shows its progress and stops between textures on Cancel,
// keeping what was done so far.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/NameRules.h"
#include "pipeline/ExportTextures.h"
#include "pipeline/ImportImage.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/SafeFileName.h"
#include "raster/ImageFile.h"
#include "ui/controls/FolderDialog.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgMain.h"
#include "ui/main/LongRun.h"
#include "ui/main/Resources.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

std::string FolderWithSlash(const std::string& file) {
    const std::string folder = Files::DirectoryOf(file);
    return folder.empty() ? std::string() : folder + "/";
}

bool HasAlpha(const Bitmap32& bitmap) {
    for (uint32_t y = 0; y < bitmap.Height(); ++y)
        for (uint32_t x = 0; x < bitmap.Width(); ++x)
            if (bitmap.Pixel(x, y)[3] != 0xFF)
                return true;
    return false;
}

} // namespace

int CDlgMain::ImportImage(const Bitmap32& bitmap, const std::string& name, bool withAlpha,
                          int category, bool uncompressed, std::optional<CacheId> targetCache) {
    return ::ImportImage(*this, bitmap, name, withAlpha, category, uncompressed, targetCache,
                         m_nGame);
}

bool CDlgMain::ImportImages(bool withAlpha, int category, bool uncompressed) {
    if (!m_pCache) {
        MessageBox(Res::String(108).toStdString(), "", MB_OK | MB_ICONERROR);
        return false;
    }
    QFileDialog dialog(this,
                       withAlpha ? Res::Text(Res::Texts::kImportWithAlpha)
                                 : Res::Text(Res::Texts::kImportWithoutAlpha),
                       QString::fromStdString(IniReadString(Settings::kLastImport)),
                       Res::FileFilter(139));
    dialog.setObjectName("ImportImages");
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix("png");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const int before = m_pCache->TextureCount();
    ImportFiles(dialog.selectedFiles(), withAlpha, category, uncompressed);
    if (m_pCache && m_pCache->TextureCount() > 0 && m_pCache->TextureCount() >= before)
        SelectTexture(m_pCache->TextureCount() - 1);
    return true;
}

int CDlgMain::ImportFiles(const QStringList& files, bool withAlpha, int category, bool uncompressed,
                          bool alphaByImage) {
    if (!m_pCache || files.isEmpty())
        return 0;
    int yesAnswers = 0;
    bool yesForAll = false;
    int imported = 0;
    ShowProgress(true, std::max(0, int(files.size()) - 1));
    CLongRun run(this, m_pProgress, Res::Text(Res::Texts::kImporting), int(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        const std::string path = files[i].toStdString();
        if (i == 0)
            IniWriteString(Settings::kLastImport.section, Settings::kLastImport.key,
                           FolderWithSlash(path));
        LogPrintA("CDlgMain: Importing file name: \"%s\"\n", path.c_str());
        if (!run.Step(i))
            break;
        const std::string file = Files::FileNameOf(path);
        const std::string name = file.substr(0, file.find('.'));
        std::string failure;
        const NameProblem problem = CheckTextureName(name);
        if (problem != NameProblem::kNone)
            failure =
                "its texture name '" + name + "' cannot be used: " + DescribeNameProblem(problem);
        bool replace = false;
        if (failure.empty() && m_pCache->FindTexture(name, true) >= 0) {
            if (!yesForAll) {
                const int answer =
                    MessageBox(Res::Format(124, name.c_str()).toStdString(),
                               Res::String(110).toStdString(), MB_YESNOCANCEL | MB_ICONWARNING);
                if (answer == IDCANCEL)
                    break;
                if (answer != IDYES)
                    continue;
                if (yesAnswers == 3 && MessageBox(Res::String(166).toStdString(), "",
                                                  MB_YESNO | MB_ICONQUESTION) == IDYES)
                    yesForAll = true;
                ++yesAnswers;
            }
            replace = true;
        }
        // The new image is read before anything is replaced: a file that cannot be
        // read or encoded leaves the old texture as it was.
        std::unique_ptr<Bitmap32> bitmap;
        if (failure.empty()) {
            bitmap = LoadBitmapFromFile(path);
            if (!bitmap)
                failure = "it is not an image this program reads";
        }
        if (failure.empty() &&
            !EncodableSize(bitmap->Width(), bitmap->Height(), ForcedFamily(*m_pCache, category)))
            failure = "its size " + std::to_string(bitmap->Width()) + " x " +
                      std::to_string(bitmap->Height()) + " is not a power of two";
        if (failure.empty()) {
            try {
                const bool alpha = alphaByImage ? HasAlpha(*bitmap) : withAlpha;
                const StoreResult result = StoreImage(*this, *bitmap, name, alpha, category,
                                                      uncompressed, m_nGame, replace);
                if (result == StoreResult::kNoGame)
                    break;
                if (result == StoreResult::kOutOfPlace)
                    failure = "the old texture's records are not in texture order, so it "
                              "cannot be replaced safely";
                else
                    ++imported;
            } catch (const std::exception& error) {
                failure = error.what();
            }
        }
        if (failure.empty())
            continue;
        LogPrintA("CDlgMain: ERROR importing \"%s\": %s\n", path.c_str(), failure.c_str());
        if (MessageBox(Res::FormatText(Res::Texts::kCannotImport, path.c_str(), failure.c_str())
                           .toStdString(),
                       Res::String(110).toStdString(), MB_YESNO | MB_ICONWARNING) != IDYES)
            break;
    }
    try {
        m_pCache->Flush();
    } catch (const std::exception& error) {
        MessageBox(error.what(), Res::String(110).toStdString(), MB_OK | MB_ICONERROR);
    }
    m_Damaged.assign(size_t(m_pCache->TextureCount()), -1);
    UpdateTexturesTree();
    ShowProgress(false, 100);
    SetPane(0, Res::FormatText(Res::Texts::kImagesImported, imported, int(files.size())));
    return imported;
}

namespace {} // namespace

// Textures of the window's current cache to write as image files, written together by the
// pipeline's export (decoding and writing on every core), with the failures counted.
class CExportRun {
public:
    CExportRun(CCacheHelper& helper, CacheId cache) : m_Helper(helper), m_Cache(cache) {}

    void Add(int texture, const std::string& path) { m_Items.push_back({texture, path}); }
    // Into a folder: one file per texture, always inside it.
    void AddInto(int texture, const std::string& folder) {
        Add(texture,
            folder + "/" + m_Namer.Take(m_Helper.Database()->GetTextureName(texture), "png"));
    }
    size_t Count() const { return m_Items.size(); }
    // Writes them all; false when the user cancelled (what was written stays).
    bool Run(CLongRun* progress) {
        bool cancelled = false;
        const std::vector<ExportOutcome> outcomes =
            ExportTextures(m_Helper, m_Cache, 0, false, m_Items, [&](size_t done, size_t) {
                cancelled = cancelled || (progress && !progress->Step(int(done)));
                return !cancelled;
            });
        for (size_t i = 0; i < m_Items.size(); ++i) {
            const ExportItem& item = m_Items[i];
            if (outcomes[i].written) {
                LogPrintA("CDlgMain: Texture #%d exported to '%s'\n", item.texture,
                          item.path.c_str());
                ++m_nWritten;
            } else if (outcomes[i].problem != kExportCancelled) {
                LogPrintA("CDlgMain: ERROR exporting texture #%d to '%s': %s\n", item.texture,
                          item.path.c_str(), outcomes[i].problem.c_str());
                m_Failures.push_back(item.path + ": " + outcomes[i].problem);
            }
        }
        return !cancelled;
    }
    int Written() const { return m_nWritten; }
    // The failures in one box, at the end of a run.
    void Report(bool cancelled) const {
        if (m_Failures.empty() && !cancelled)
            return;
        constexpr size_t kListed = 10;
        std::string text;
        if (cancelled)
            text = Res::FormatText(Res::Texts::kExportCancelled, m_nWritten).toStdString();
        if (!m_Failures.empty()) {
            text += Res::FormatText(Res::Texts::kExportFailures, int(m_Failures.size()),
                                    int(m_Failures.size()) + m_nWritten)
                        .toStdString();
            for (size_t i = 0; i < m_Failures.size() && i < kListed; ++i)
                text += "\n" + m_Failures[i];
            if (m_Failures.size() > kListed)
                text += "\n...";
        }
        MessageBox(text, Res::String(110).toStdString(),
                   MB_OK | (m_Failures.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    }

private:
    CCacheHelper& m_Helper;
    CacheId m_Cache;
    std::vector<ExportItem> m_Items;
    int m_nWritten = 0;
    std::vector<std::string> m_Failures;
    SafeFileName::CNamer m_Namer;
};

std::string CDlgMain::ChooseExportFolder() {
    CFolderDialog folder(QString::fromStdString(IniReadString(Settings::kLastExportDir)),
                         Res::String(168), this);
    if (folder.ShowFolderDialog() != CFolderDialog::kChosen)
        return {};
    const std::string out = folder.Folder().toStdString();
    IniWriteString(Settings::kLastExportDir.section, Settings::kLastExportDir.key, out + "/");
    return out;
}

void CDlgMain::RunExport(CExportRun& run) {
    ShowProgress(true, int(run.Count()));
    bool cancelled = false;
    {
        CLongRun progress(this, m_pProgress, Res::Text(Res::Texts::kExporting), int(run.Count()));
        cancelled = !run.Run(&progress);
    }
    ShowProgress(false, 100);
    run.Report(cancelled);
    SetPane(0, Res::FormatText(Res::Texts::kTexturesExported, run.Written()));
}

void CDlgMain::ExportSelection() {
    if (!m_pCache) {
        MessageBox(Res::String(108).toStdString(), "", MB_OK | MB_ICONERROR);
        return;
    }
    if (m_pTree->topLevelItemCount() == 0)
        return;
    CExportRun run(*this, m_CurrentCache);
    if (m_pTree->CountSelected() < 2) {
        const int texture = ItemTexture(m_pTree->currentItem());
        if (texture < 0)
            return;
        QFileDialog dialog(
            this, QString(),
            QString::fromStdString(IniReadString(Settings::kLastExportDir) +
                                   SafeFileName::Stem(m_pCache->GetTextureName(texture))),
            Res::FileFilter(109));
        dialog.setObjectName("ExportSelection");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix("png");
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        const std::string path = dialog.selectedFiles().first().toStdString();
        IniWriteString(Settings::kLastExportDir.section, Settings::kLastExportDir.key,
                       FolderWithSlash(path));
        run.Add(texture, path);
        run.Run(nullptr);
        run.Report(false);
        return;
    }
    const std::string out = ChooseExportFolder();
    if (out.empty())
        return;
    for (int texture : SelectedTextures())
        run.AddInto(texture, out);
    RunExport(run);
}

void CDlgMain::ExportAll(int category) {
    if (!m_pCache) {
        MessageBox(Res::String(108).toStdString(), "", MB_OK | MB_ICONERROR);
        return;
    }
    const std::string caption = category < 0
                                    ? Res::Text(Res::Texts::kExportAllCaption).toStdString()
                                    : Res::FormatText(Res::Texts::kExportCategoryCaption,
                                                      m_pCache->GetCategoryName(category).c_str())
                                          .toStdString();
    const int aliases = MessageBox(Res::Text(Res::Texts::kExportAliases).toStdString(), caption,
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
    if (aliases == IDCANCEL)
        return;
    const std::string out = ChooseExportFolder();
    if (out.empty())
        return;
    CExportRun run(*this, m_CurrentCache);
    for (int t = 0; t < m_pCache->TextureCount(); ++t)
        if ((category < 0 || ShownCategory(t) == category) &&
            (aliases != IDNO || !m_pCache->IsAlias(t)))
            run.AddInto(t, out);
    RunExport(run);
}

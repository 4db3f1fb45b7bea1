#include "ui/tools/ToolTexts.h"

#include <QStringList>

namespace ToolTexts {

namespace {

Source& Current() {
    static Source source;
    return source;
}

} // namespace

std::vector<const char*> WindowTexts() {
    return {kImport,          kCancel,          kImportTxdCaption, kFoundTextures,
            kStreamStructure, kShowStream,      kCheckAll,         kExportCurrent,
            kRebuild, kSavingArchive, kArchiveSaved, kFilesAdded, kReplacedInPlace,
            kDeleteQuestion, kArchiveNotChanged,
            kExportAll,       kNothingToImport, kAllImported,      kBusy,
            kNotImported,     kNotExported,     kNoPixels,         kModelCaption,
            kTexturesLabel,   kStateColumn,     kStateOk,          kSaveAs,
            kSaveAsText,      kEmptyName,       kDictionaryNames,  kNotRenamed,
            kUnknownError,    kImgToolCaption,  kImportImgCaption, kOpenImg,
            kOpenImgs,        kAddFile,         kDelete,           kImportChecked,
            kImportSelected,  kFoundTxds,       kClickOpen,        kArchiveNotOpened,
            kEntryExists,     kEntryDamaged,    kEntryNotWritten,  kImportSummary,
            kFilesOfType,     kAllFiles,        kRadarEditorCaption, kCurrentRadarInfo,
            kImportExport,    kRadarColumn,     kAliasOfColumn,    kShowWholeMap,
            kOptimizeRadarMap, kUseAlpha,       kWrongDimensions,  kNotSquare,
            kTooSmall,        kRadarNotImported, kCannotRead,      kCannotWrite,
            kIdColumn,        kNoAliases,       kSiblingsCaption,  kExportAliasList,
            kImportAliasList, kAliasesCreated,  kLinesNotTaken,
            kClose,           kConverterTitle,  kConverterNote,    kSourceCache,
            kTargetCache,     kRebuildSuffix,   kGo,               kPreparing,
            kSameCache,       kOverwrite,       kDoneWithin,       kCancelled,
            kLeftAsItWas,     kUnconverted,     kOptimizerTitle,   kOptimizerNote,
            kAliasNames,      kDeleteNames,     kAliasRasters,     kCompareCache,
            kAlgorithm,       kAlgorithms[0],   kAlgorithms[1],    kAlgorithms[2],
            kAlgorithms[3],   kThreshold,       kThresholdHint,    kNothingToDo,
            kDuplicates,      kOptimize,        kSyncCaption,      kDeleteUnused,
            kSyncClickOpen,   kAliasInfo,       kCaseInfo,         kCacheNA,
            kToDelete,        kRecordsOutOfOrder};
}

void SetSource(Source source) {
    Current() = std::move(source);
}

QString String(const StringText& entry) {
    if (Current().string) {
        const QString text = Current().string(entry.id);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(entry.english);
}

QString Text(const char* english) {
    return Current().text ? Current().text(english) : QString::fromUtf8(english);
}

QString FileFilter(const StringText& entry) {
    const QStringList parts = String(entry).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + parts[i + 1] + ")");
    return out.join(";;");
}

} // namespace ToolTexts

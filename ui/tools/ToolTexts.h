#pragma once
// The texts of the tool dialogs. The dialogs sit below the main window and cannot reach
// its string table or language pack, so the window hands them a text source (SetSource):
// entries of the string table by id, and the tools' other texts by their English
// wording, which a language pack translates like the window's own. Without a source the
// English texts are shown.
#include <QString>

#include <functional>
#include <vector>

namespace ToolTexts {

// An entry of the window's string table with its English text.
struct StringText {
    int id;
    const char* english;
};

inline constexpr StringText kImageFilter{
    109, "Portable Network Graphics (*.png)|*.png|Windows Bitmap (*.bmp)|*.bmp|GIF (*.gif)|*.gif|"
         "JPEG (*.jpg; *.jpeg)|*.jpg;*.jpeg|TIFF (*.tif)|*.tif|"};
inline constexpr StringText kLoadCacheFirst{108, "Load the cache first!"};
inline constexpr StringText kErrorCaption{110, "Error"};
inline constexpr StringText kTxdFilter{
    118, "RenderWare Texture Dictionary (*.txd)|*.txd|All Files (*.*)|*.*|"};
inline constexpr StringText kModelFilter{
    121, "RenderWare Model File (*.dff)|*.dff|All files (*.*)|*.*|"};
inline constexpr StringText kVersion{123, "RW Version: 0x%08X"};
inline constexpr StringText kReplaceQuestion{
    124, "Texture '%s' already exists. Would you like to replace it?"};
inline constexpr StringText kDone{126, "Done!"};
inline constexpr StringText kTextFilter{138, "Text File (*.txt)|*.txt|All Files (*.*)|*.*|"};
inline constexpr StringText kRadarNotFound{136, "Radar map not found."};
inline constexpr StringText kOpenImageFilter{
    139, "All Supported Formats|*.png;*.jpg;*.bmp;*.gif;*.jpeg;*.tif|Portable Network Graphics "
         "(*.png)|*.png|Windows Bitmap (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpeg; "
         "*.jpg)|*.jpeg;*.jpg|TIFF (*.tif)|*.tif|"};
inline constexpr StringText kImgFilter{142, "GTA3 Archive (*.img)|*.img|All Files (*.*)|*.*|"};
inline constexpr StringText kImportButton{145, "Import"};
inline constexpr StringText kExport{146, "Export"};
inline constexpr StringText kFileColumn{151, "File"};
inline constexpr StringText kSizeColumn{152, "Size"};
inline constexpr StringText kOffsetColumn{153, "Offset"};
inline constexpr StringText kTextureColumn{154, "Texture"};
inline constexpr StringText kInfoColumn{155, "Info"};
inline constexpr StringText kDimensionsColumn{156, "Dimensions"};
inline constexpr StringText kCacheNotLoaded{160, "Cache not loaded"};
inline constexpr StringText kNotFound{161, "Not Found"};
inline constexpr StringText kContinueQuestion{163, "Do you want to continue?"};
inline constexpr StringText kExportFolder{168, "Select folder for export textures to:"};

// The tools' texts that the string table does not hold, keyed by their English wording.
inline constexpr const char* kImport = "Import";
inline constexpr const char* kCancel = "Cancel";
inline constexpr const char* kImportTxdCaption = "Import TXD - %s";
inline constexpr const char* kFoundTextures = "Found textures:";
inline constexpr const char* kStreamStructure = "RW Stream Structure:";
inline constexpr const char* kShowStream = "Show RW Stream";
inline constexpr const char* kCheckAll = "Check All";
inline constexpr const char* kExportCurrent = "Export current file";
inline constexpr const char* kExportAll = "Export all files";
inline constexpr const char* kNothingToImport = "Nothing to import, lol";
inline constexpr const char* kAllImported = "All textures imported.";
inline constexpr const char* kBusy = "Please wait until operation ended";
inline constexpr const char* kNotImported = "These textures were not imported:";
inline constexpr const char* kNotExported = "These textures could not be exported:";
inline constexpr const char* kNoPixels = "the texture has no pixels";
inline constexpr const char* kModelCaption = "Model Textures - %s";
inline constexpr const char* kTexturesLabel = "Textures:";
inline constexpr const char* kStateColumn = "State";
inline constexpr const char* kStateOk = "OK";
inline constexpr const char* kSaveAs = "Save As...";
inline constexpr const char* kSaveAsText = "Save as Plain Text";
inline constexpr const char* kEmptyName = "Name should not be empty.";
inline constexpr const char* kNameRefused = "The name '%s' cannot be used: %s.";
inline constexpr const char* kDictionaryNames =
    "The names of a texture dictionary are not renamed here; only a model's are.";
inline constexpr const char* kNotRenamed =
    "No texture of the model is named '%s'; the name of a material effect is not renamed.";
inline constexpr const char* kUnknownError = "Unknown error";
inline constexpr const char* kImgToolCaption = "IMG Tool";
inline constexpr const char* kImportImgCaption = "Import IMG";
inline constexpr const char* kOpenImg = "Open IMG";
inline constexpr const char* kOpenImgs = "Open IMGs";
inline constexpr const char* kAddFile = "Add File";
inline constexpr const char* kDelete = "Delete";
inline constexpr const char* kImportChecked = "Import Checked";
inline constexpr const char* kImportSelected = "Import Selected";
inline constexpr const char* kFoundTxds = "Found TXDs:";
inline constexpr const char* kClickOpen = "Click 'Open IMGs' to begin";
inline constexpr const char* kRebuild = "Rebuild";
inline constexpr const char* kSavingArchive = "Saving the archive...";
inline constexpr const char* kArchiveSaved = "The archive was saved.";
inline constexpr const char* kFilesAdded = "%d files added to the archive.";
inline constexpr const char* kReplacedInPlace = "Replaced in place: %s";
inline constexpr const char* kDeleteQuestion = "Delete %d entries from the archive?";
inline constexpr const char* kArchiveNotChanged = "The archive was not changed.\n\n%s";
inline constexpr const char* kArchiveNotOpened = "The archive '%s' could not be opened.";
inline constexpr const char* kEntryExists =
    "'%s' already exists; it was left as it is and nothing was written.";
inline constexpr const char* kEntryDamaged =
    "The entry '%s' runs past the end of the archive: %llu of its %llu bytes are there. "
    "Nothing was written.";
inline constexpr const char* kEntryNotWritten = "'%s' could not be written: %s";
inline constexpr const char* kImportSummary = "%d imported, %d skipped, %d failed";
inline constexpr const char* kFilesOfType = "%s file";
inline constexpr const char* kAllFiles = "All files";
inline constexpr const char* kRadarEditorCaption = "Radar Map Editor";
inline constexpr const char* kCurrentRadarInfo = "Current Radar Info";
inline constexpr const char* kImportExport = "Import / Export";
inline constexpr const char* kRadarColumn = "Radar";
inline constexpr const char* kAliasOfColumn = "Alias of";
inline constexpr const char* kShowWholeMap = "Show whole map";
inline constexpr const char* kOptimizeRadarMap = "Optimize Radar Map";
inline constexpr const char* kUseAlpha = "Use alpha?";
inline constexpr const char* kWrongDimensions = "Wrong dimensions given";
inline constexpr const char* kNotSquare = "Image must be square.";
inline constexpr const char* kTooSmall = "Image is too small.";
inline constexpr const char* kRadarNotImported =
    "The radar map was not imported; every tile is as it was.\n\n%s";
inline constexpr const char* kCannotRead = "Cannot read %s";
inline constexpr const char* kCannotWrite = "Cannot write %s";
inline constexpr const char* kIdColumn = "ID";
inline constexpr const char* kNoAliases = "No aliases found.";
inline constexpr const char* kSiblingsCaption = "Aliases of '%s'";
inline constexpr const char* kExportAliasList = "Export alias list";
inline constexpr const char* kImportAliasList = "Import alias list";
inline constexpr const char* kAliasesCreated = "%d aliases created.";
inline constexpr const char* kLinesNotTaken = "%d lines not taken:";
// The cache converter and the cache optimizer.
inline constexpr const char* kClose = "Close";
inline constexpr const char* kConverterTitle = "Cache Converter";
inline constexpr const char* kConverterNote =
    "Note! \n Output quality will be reduced every time you convert cache.\nOperation can take "
    "very fuckin' long time.";
inline constexpr const char* kSourceCache = "Source cache:";
inline constexpr const char* kTargetCache = "Target cache:";
inline constexpr const char* kRebuildSuffix = " (rebuild)";
inline constexpr const char* kGo = "GO";
inline constexpr const char* kPreparing = "Preparing...";
inline constexpr const char* kSameCache = "You cant build cache from itself!";
inline constexpr const char* kOverwrite =
    "Target cache already exists!\r\n\r\nIt's really NOT recommended to overwrite it.\r\n\r\nAre "
    "you sure you want to continue?";
inline constexpr const char* kDoneWithin = "Done within %0.2f seconds!";
inline constexpr const char* kCancelled = "Cancelled; the target cache was left as it was.";
inline constexpr const char* kLeftAsItWas = "The target cache was left as it was.";
inline constexpr const char* kUnconverted =
    "%d textures could not be converted and have no record in the target:";
inline constexpr const char* kOptimizerTitle = "Cache Optimizer";
inline constexpr const char* kOptimizerNote =
    "Note! \n Double check you know what are you doing right now.\nOperation can take very "
    "fuckin' long time.";
inline constexpr const char* kAliasNames = "Create aliases for name duplicates";
inline constexpr const char* kDeleteNames = "Delete name duplicates";
inline constexpr const char* kAliasRasters = "Create aliases for raster data duplicates";
inline constexpr const char* kCompareCache = "Cache comparsion based on:";
inline constexpr const char* kAlgorithm = "Algorithm:";
inline constexpr const char* kAlgorithms[] = {"MD5-based (fastest)", "MD5-based decompressed (fast)",
                                              "Pixel-diff (slow)",
                                              "Pixel-diff decompressed (very slow)"};
inline constexpr const char* kThreshold = "Raster comparsion value:";
inline constexpr const char* kThresholdHint =
    "Maximum count of different pixels. Default value is 5 pixels.";
inline constexpr const char* kNothingToDo = "Nothing to do.";
inline constexpr const char* kDuplicates = "%d duplicates";
inline constexpr const char* kOptimize = "Optimize";
// The IMG synchronizer. kAliasInfo and kCaseInfo are the core's words for a listed
// texture (SyncTexture::Info), shown in the language in use.
inline constexpr const char* kSyncCaption = "IMG Synchronizer";
inline constexpr const char* kDeleteUnused = "Delete unused";
inline constexpr const char* kSyncClickOpen = "Click 'Open IMGs' to begin.";
inline constexpr const char* kAliasInfo = "Alias";
inline constexpr const char* kCaseInfo = "Case";
inline constexpr const char* kCacheNA = "Cache N/A";
inline constexpr const char* kToDelete = "%d to delete (%0.2f MB)";
inline constexpr const char* kRecordsOutOfOrder =
    "Nothing was deleted: the cache's records are not in texture order, and cutting them out "
    "could take other textures' bytes. Rebuild the cache first.";

// Every text above that is keyed by its wording, for the language packs.
std::vector<const char*> WindowTexts();

struct Source {
    std::function<QString(int id)> string;
    std::function<QString(const char* english)> text;
};
// Installs the window's texts (an empty source restores the English ones).
void SetSource(Source source);

QString String(const StringText& entry);
QString Text(const char* english);
template <class... A> QString Format(const StringText& entry, A... args) {
    return QString::asprintf(String(entry).toUtf8().constData(), args...);
}
template <class... A> QString FormatText(const char* english, A... args) {
    return QString::asprintf(Text(english).toUtf8().constData(), args...);
}
// A filter of the string table ("Name (*.a)|*.a|Other|*.b|") as Qt's file dialogs take it.
QString FileFilter(const StringText& entry);

} // namespace ToolTexts

#pragma once
// The texts of the converter and optimizer dialogs, in English; a language pack translates
// them by this wording (the window lists them among its texts and the dialogs ask for
// each through IMainWindowHooks::Text).
namespace WholeCacheTexts {

// Both dialogs.
inline constexpr const char* kError = "Error";
inline constexpr const char* kClose = "Close";

// The converter.
inline constexpr const char* kConverterTitle = "Cache Converter";
inline constexpr const char* kConverterNote =
    "Note! \n Output quality will be reduced every time you convert cache.\nOperation can take "
    "very fuckin' long time.";
inline constexpr const char* kSourceCache = "Source cache:";
inline constexpr const char* kTargetCache = "Target cache:";
inline constexpr const char* kRebuild = " (rebuild)";
inline constexpr const char* kGo = "GO";
inline constexpr const char* kCancel = "Cancel";
inline constexpr const char* kPreparing = "Preparing...";
inline constexpr const char* kSameCache = "You cant build cache from itself!";
inline constexpr const char* kOverwrite =
    "Target cache already exists!\r\n\r\nIt's really NOT recommended to overwrite it.\r\n\r\nAre "
    "you sure you want to continue?";
inline constexpr const char* kPleaseWait = "Please wait until operation ended";
inline constexpr const char* kDoneWithin = "Done within %0.2f seconds!";
inline constexpr const char* kCancelled = "Cancelled; the target cache was left as it was.";
inline constexpr const char* kLeftAsItWas = "The target cache was left as it was.";
inline constexpr const char* kUnconverted =
    "%d textures could not be converted and have no record in the target:";

// The optimizer.
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
inline constexpr const char* kDone = "Done!";
inline constexpr const char* kDuplicates = "%d duplicates";
inline constexpr const char* kOptimize = "Optimize";

inline constexpr const char* kAll[] = {
    kError,        kClose,          kConverterTitle, kConverterNote, kSourceCache,
    kTargetCache,  kRebuild,        kGo,             kCancel,        kPreparing,
    kSameCache,    kOverwrite,      kPleaseWait,     kDoneWithin,    kCancelled,
    kLeftAsItWas,  kUnconverted,    kOptimizerTitle, kOptimizerNote, kAliasNames,
    kDeleteNames,  kAliasRasters,   kCompareCache,   kAlgorithm,     kAlgorithms[0],
    kAlgorithms[1], kAlgorithms[2], kAlgorithms[3],  kThreshold,     kThresholdHint,
    kNothingToDo,  kDone,           kDuplicates,     kOptimize};

} // namespace WholeCacheTexts

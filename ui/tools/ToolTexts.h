#pragma once
// The texts of the tool dialogs in the interface language. The main window installs the
// source (its string table and the language pack's texts); until it does, the program's
// own English texts are shown.
#include <QString>
#include <functional>
#include <vector>

namespace ToolTexts {

// id > 0: the string table's entry id, whose own text is english; id 0: a text of the
// window keyed by its English wording.
using Source = std::function<QString(int id, const char* english)>;
void SetSource(Source source);

QString Text(const char* english, int id = 0);
template <class... A> QString Format(const char* english, A... args) {
    return QString::asprintf(Text(english).toUtf8().constData(), args...);
}
// A file filter of the string table ("Name (*.a)|*.a|Other|*.b|") as Qt's file dialogs take
// it ("Name (*.a);;Other (*.b)").
QString Filter(const char* english, int id);

// The English texts the tools show that the string table does not hold, for a language
// pack to translate.
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
inline constexpr const char* kPleaseWait = "Please wait until operation ended";
inline constexpr const char* kIdColumn = "ID";
inline constexpr const char* kNoAliases = "No aliases found.";
inline constexpr const char* kSiblingsCaption = "Aliases of '%s'";
inline constexpr const char* kExportAliasList = "Export alias list";
inline constexpr const char* kImportAliasList = "Import alias list";
inline constexpr const char* kAliasesCreated = "%d aliases created.";
inline constexpr const char* kLinesNotTaken = "%d lines not taken:";
std::vector<const char*> WindowTexts();

} // namespace ToolTexts

#include "ui/tools/ToolTexts.h"

#include <QStringList>

namespace ToolTexts {

namespace {
Source& CurrentSource() {
    static Source source;
    return source;
}
} // namespace

void SetSource(Source source) {
    CurrentSource() = std::move(source);
}

QString Text(const char* english, int id) {
    const Source& source = CurrentSource();
    return source ? source(id, english) : QString::fromUtf8(english);
}

QString Filter(const char* english, int id) {
    const QStringList parts = Text(english, id).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + parts[i + 1] + ")");
    return out.join(";;");
}

std::vector<const char*> WindowTexts() {
    return {kRadarEditorCaption, kCurrentRadarInfo, kImportExport,    kRadarColumn,
            kAliasOfColumn,      kShowWholeMap,     kOptimizeRadarMap, kUseAlpha,
            kWrongDimensions,    kNotSquare,        kTooSmall,         kRadarNotImported,
            kCannotRead,         kCannotWrite,      kPleaseWait,       kIdColumn,
            kNoAliases,          kSiblingsCaption,  kExportAliasList,  kImportAliasList,
            kAliasesCreated,     kLinesNotTaken};
}

} // namespace ToolTexts

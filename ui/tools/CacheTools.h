#pragma once
// The small whole-cache commands of the Tools menu: the information box and the alias
// list's export and import.
#include "cache/TextureDatabase.h"
#include "ui/tools/MainHooks.h"

#include <QString>

class QWidget;

// "Load the cache first!" without a cache, else the box of figures.
void ShowCacheInformation(CTextureDatabase* db);

// Writes the cache's aliases to a list file the user chooses (or path, when given).
// True when a list was written.
bool ExportAliasListTool(QWidget* parent, CTextureDatabase* db, const QString& path = QString());
// Reads a list file the user chooses (or path) and adds the aliases the cache can take,
// then shows which lines it could not take. The number of aliases created.
int ImportAliasListTool(QWidget* parent, CTextureDatabase* db, IMainWindowHooks& hooks,
                        const QString& path = QString());

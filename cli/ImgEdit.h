#pragma once
// tessarine-cli img add, delete and rebuild: archive edits through GTA::CIMGEditor.
#include "cli/Cli.h"

#include <string>

namespace Cli {

// The archive a path names: NAME.dir given for a version 1 archive stands for its
// NAME.img (in any letter case); fails with kBadInput when that is missing.
std::string ArchivePath(const std::string& path);

// "img add", "img delete" and "img rebuild".
int ImgEdit(const Args& args);

} // namespace Cli

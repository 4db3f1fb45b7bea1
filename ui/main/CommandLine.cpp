#include "ui/main/CommandLine.h"

#include "app/ProgramFolders.h"
#include "app/Version.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: tessarine [OPTION]... [CACHE]\n"
    "Edits the texture caches of the mobile editions of GTA Vice City and GTA San Andreas.\n"
    "CACHE is a cache's index NAME.txt, or one of its NAME.{dxt,etc,pvr,unc}.{dat,toc} files;\n"
    "the editor opens it at start.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Qt's own options (such as -platform NAME or -style NAME) are taken as well.\n"
    "tessarine-cli does the same cache work from a shell.\n"
    "\n";

} // namespace

std::optional<int> AnswerInfoOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--"))
            break;
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            std::fputs(ProgramFolders::FilesHelp(), stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::fputs(Version::VersionText("tessarine").c_str(), stdout);
            return 0;
        }
    }
    return std::nullopt;
}

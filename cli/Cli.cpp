#include "cli/Cli.h"

#include "app/ProgramFolders.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/CacheCheck.h"
#include "cache/CacheLock.h"
#include "cache/NameRules.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/PathCheck.h"
#include "platform/Text.h"
#include "raster/ImageFile.h"
#include "raster/PluginHost.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace Cli {

namespace {

// The answer that changes nothing.
int SafeAnswer(unsigned type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    default:
        return IDOK;
    }
}

// A message on one line: each run of line ends becomes one space.
std::string OneLine(const std::string& text) {
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        while (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n'))
            ++i;
        line += ' ';
    }
    return line;
}

} // namespace

std::string Shown(const std::string& text) {
    return Text::EscapeControls(text);
}

std::string ShownLines(const std::string& text) {
    std::string shown;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        shown += Shown(text.substr(start, end - start)) + "\n";
    return shown + Shown(text.substr(start));
}

void InstallMessageBoxes(const Args& args) {
    const bool yes = args.Has("--yes");
    const bool no = args.Has("--no");
    SetMessageBoxHandler(
        [yes, no](const std::string& text, const std::string&, unsigned type) -> int {
            const unsigned kind = type & MB_TYPEMASK;
            std::fprintf(stderr, "%s\n", Shown(OneLine(text)).c_str());
            // An internal-fault box is no question: continuing lets the command report the
            // failure with its exit code; Cancel would end the process as if all went well.
            if (kind == MB_OK || (kind == MB_OKCANCEL && (type & MB_ICONMASK) == MB_ICONERROR))
                return IDOK;
            if (yes)
                return kind == MB_OKCANCEL ? IDOK : kind == MB_RETRYCANCEL ? IDRETRY : IDYES;
            if (no || !isatty(STDIN_FILENO))
                return SafeAnswer(type);
            std::fprintf(stderr, "[y/N] ");
            std::string answer;
            std::getline(std::cin, answer);
            const bool agreed = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
            if (!agreed)
                return SafeAnswer(type);
            return kind == MB_OKCANCEL ? IDOK : kind == MB_RETRYCANCEL ? IDRETRY : IDYES;
        });
}

void UseSettings(const Args& args) {
    if (args.Has("--settings")) {
        Settings::SetPath(args.Get("--settings"));
        return;
    }
    // The editor's settings: those of the editor beside this tool.
    const std::string folder = Files::DirectoryOf(Files::ExecutablePath());
    const ProgramFolders::Location where = ProgramFolders::Locate(
        (folder.empty() ? std::string(".") : folder) + "/" + ProgramFolders::kEditorName);
    // When the folder cannot be made, the first write says so.
    ProgramFolders::CreateFolderFor(where, where.settingsPath);
    Settings::SetPath(where.settingsPath);
}

std::unique_ptr<CTextureDatabase> OpenCache(const Args& args, size_t at, Access access) {
    const std::string game = args.Get("--game", "0");
    if (game != "0" && game != "1" && game != "2")
        throw Failure{kBadInput, "--game takes 0 (automatic), 1 (Vice City) or 2 (San Andreas)"};
    const std::string path = CheckedIndexPath(args.positional.at(at), access);
    std::shared_ptr<CCacheLock> lock;
    if (access == Access::kWrite) {
        try {
            lock = CCacheLock::Acquire(Files::RealPath(path), kLockWaitMs);
        } catch (const CBusyError& busy) {
            throw Failure{kRefused, busy.what()};
        }
    }
    auto db = std::make_unique<CTextureDatabase>(path, game[0] - '0');
    db->SetWarningSink([](const std::string& text) {
        std::fprintf(stderr, "%s\n", Shown(OneLine(text)).c_str());
    });
    if (lock)
        db->AdoptLock(std::move(lock));
    return db;
}

std::unique_ptr<CTextureDatabase> OpenCacheForEdit(const Args& args, size_t at) {
    return OpenCache(args, at, Access::kWrite);
}

int FindTexture(CTextureDatabase& db, const std::string& name) {
    if (name.size() > 1 && name[0] == '#') {
        char* end = nullptr;
        const long index = std::strtol(name.c_str() + 1, &end, 10);
        if (*end == '\0' && db.IsValidTexture(static_cast<int>(index)))
            return static_cast<int>(index);
        throw Failure{kRefused, "no texture " + Shown(name)};
    }
    int texture = db.FindTexture(name, true);
    if (texture < 0)
        texture = db.FindTexture(name, false);
    if (texture < 0)
        throw Failure{kRefused, "no texture named '" + Shown(name) + "'"};
    return texture;
}

int FindCategory(CTextureDatabase& db, const std::string& name) {
    for (int c = 0; c < db.CategoryCount(); ++c)
        if (db.GetCategoryName(c) == name)
            return c;
    for (int c = 0; c < db.CategoryCount(); ++c)
        if (Text::EqualsNoCase(db.GetCategoryName(c), name))
            return c;
    throw Failure{kRefused, "no category named '" + Shown(name) + "'"};
}

void RequireDataFiles(const CTextureDatabase& db) {
    if (db.PrimaryCache() == std::nullopt)
        throw Failure{kRefused, "the cache has no data files (.dat) to hold the pixels; nothing "
                                "imported"};
}

void RequireTextureName(const std::string& name) {
    const NameProblem problem = CheckTextureName(name);
    if (problem != NameProblem::kNone)
        throw Failure{kRefused, "'" + Shown(name) +
                                    "' cannot be a texture name: " + DescribeNameProblem(problem)};
}

void RequireCategoryName(const std::string& name) {
    const NameProblem problem = CheckCategoryName(name);
    if (problem != NameProblem::kNone)
        throw Failure{kRefused, "'" + Shown(name) +
                                    "' cannot be a category name: " + DescribeNameProblem(problem)};
}

std::optional<CacheId> CacheNamed(const std::string& name) {
    for (CacheId k : kAllCaches)
        if (Text::EqualsNoCase(name, CacheName(k)))
            return k;
    return std::nullopt;
}

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // DEL and the C1 controls (U+0080-U+009F, C2 80-C2 9F) are escaped too, so that
        // JSON shown on a terminal cannot drive it.
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c == 0x7F ? c : next);
            out += escaped;
            i += c == 0xC2;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

int ImportCategory(CTextureDatabase& db, const Args& args) {
    return args.Has("--category") ? FindCategory(db, args.Get("--category")) : 0;
}

int ImportGame(const CTextureDatabase& db, const Args& args) {
    return args.Has("--game") ? db.Game() : IniReadInt(Settings::kGame);
}

void Progress(size_t done, size_t total, const std::string& name) {
    if (!isatty(STDERR_FILENO))
        return;
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done, total, Shown(name).c_str());
    if (done == total)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

PluginSession::PluginSession() {
    InitPluginBindings();
}
PluginSession::~PluginSession() {
    UnloadPlugins();
}

ExportTarget ChooseExportTarget(const Args& args, size_t count) {
    ExportTarget target{args.Get("--out"), args.Get("--format", "png"), false};
    target.toFile =
        count == 1 && !Extension(target.out).empty() && !std::filesystem::is_directory(target.out);
    const std::string format = target.toFile ? Extension(target.out) : target.format;
    if (EncoderForExtension(format, nullptr) < 0)
        throw Failure{kBadInput, "no image encoder for '" + Shown(format) + "'"};
    return target;
}

std::string Extension(const std::string& path) {
    const std::string name = Files::FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void RequireReadableFile(const std::string& path) {
    if (PathCheck::KindOf(path) == PathCheck::Kind::kDirectory)
        throw Failure{kBadInput, "'" + Shown(path) + "' is a folder, not a file"};
    const std::string problem = PathCheck::ReadProblem(path);
    if (!problem.empty())
        throw Failure{kRefused, "cannot read '" + Shown(path) + "': " + problem};
}

void Need(const Args& args, size_t count, const char* usage) {
    if (args.positional.size() != count)
        throw Failure{kBadInput, std::string("usage: tessarine-cli ") + usage};
}

void NeedAtLeast(const Args& args, size_t count, const std::string& usage) {
    if (args.positional.size() < count)
        throw Failure{kBadInput, "usage: tessarine-cli " + usage};
}

} // namespace Cli

#pragma once
// The codec plug-in host: finds and admits plug-ins in the plugins folder, binds one to
// each codec family, and unloads them. Process-wide, used on one thread.
#include "platform/DynamicLibrary.h"
#include "platform/EnumArray.h"
#include "plugins/include/TessarinePlugin.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The codec families, in the order of the caches that store them.
enum class CodecFamily : uint8_t { kDxt, kEtc1, kPvrtc, kUnc };
inline constexpr int kFamilyCount = 4;
inline constexpr std::array<CodecFamily, kFamilyCount> kAllFamilies = {
    CodecFamily::kDxt, CodecFamily::kEtc1, CodecFamily::kPvrtc, CodecFamily::kUnc};
// Family names: export prefixes, settings sections and menu labels, in cache order.
inline constexpr const char* kFamilyNames[kFamilyCount] = {"DXT", "ETC1", "PVRTC", "UNC"};
constexpr size_t Slot(CodecFamily family) {
    return static_cast<size_t>(family);
}
constexpr const char* FamilyName(CodecFamily family) {
    return kFamilyNames[Slot(family)];
}
template <class T> using PerFamily = EnumArray<CodecFamily, T, kFamilyCount>;
inline constexpr uint32_t kMaxPlugins = 8;

struct PluginRegistry {
    uint32_t count = 0;
    std::string names[kMaxPlugins]; // file names as found, extension included
    std::unique_ptr<CDynamicLibrary> modules[kMaxPlugins];
    PerFamily<TessarineCompress> compress{};
    PerFamily<TessarineDecompress> decompress{};
};

PluginRegistry& Plugins();

// The plugins folder beside the executable, else the installed one (lib/tessarine/plugins).
std::string PluginsFolder();

// Loads a library and admits it when it exports GetDLLType and GetDLLBuildID, its type
// has a bit of typeMask and its build lies between minimumBuild and this build. A refused
// version shows "%s is not supported by this build."; other failures are silent.
std::unique_ptr<CDynamicLibrary> LoadCheckedLibrary(const std::string& path, uint32_t typeMask,
                                                    uint32_t minimumBuild);

void LoadPlugins(const std::string& folder);
// Loads the plug-ins and binds every family to its preferred plug-in (settings key
// "plugin" of the family's section) or the first one supporting it; writes the choice back.
void InitPluginBindings(const std::string& folder = PluginsFolder());
void SelectPlugin(CodecFamily family, const std::string& preferred, int& index);
void BindPlugin(CodecFamily family, int plugin);
bool PluginSupports(CodecFamily family, int plugin);
void UnloadPlugins();

// GetPluginInfo of a loaded plug-in, as UTF-8: the text of selector 3 or 4, or the list
// of selector 1 or 2. Empty when the plug-in gives none.
std::string PluginInfoText(int plugin, int selector);
std::vector<std::string> PluginInfoList(int plugin, int selector);
// The library an entry point belongs to (its load address), or nullptr.
const void* PluginLibraryOf(void* entryPoint);

// Whether the library of an entry point declares (GetThreadSafety) that it may be entered
// from several threads at once. Unknown libraries and those without the export may not.
bool PluginIsThreadSafe(void* entryPoint);

// Index of the loaded plug-in with this name, or -1.
int FindPlugin(const std::string& name);

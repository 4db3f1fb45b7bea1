#pragma once
// The codec plug-in host: finds and admits plug-ins in the plugins folder, binds one to
// each codec family, and unloads them. Process-wide, used on one thread.
#include "platform/DynamicLibrary.h"
#include "plugins/include/TessarinePlugin.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr int kFamilyCount = 4;
// Family names: export prefixes, settings sections and menu labels, in cache order.
inline constexpr const char* kFamilyNames[kFamilyCount] = {"DXT", "ETC1", "PVRTC", "UNC"};
inline constexpr uint32_t kMaxPlugins = 8;

struct PluginRegistry {
    uint32_t count = 0;
    std::string names[kMaxPlugins]; // file names as found, extension included
    std::unique_ptr<CDynamicLibrary> modules[kMaxPlugins];
    TessarineCompress compress[kFamilyCount] = {};
    TessarineDecompress decompress[kFamilyCount] = {};
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
void SelectPlugin(int family, const std::string& preferred, int& index);
void BindPlugin(int family, int plugin);
bool PluginSupports(int family, int plugin);
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

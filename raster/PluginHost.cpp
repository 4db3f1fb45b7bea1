#include "raster/PluginHost.h"

#include "app/Log.h"
#include "app/ProgramFolders.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "app/Version.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <dlfcn.h>

PluginRegistry& Plugins() {
    static PluginRegistry registry;
    return registry;
}

std::string PluginsFolder() {
    return ProgramFolders::Find(ProgramFolders::kPluginsFolder);
}

std::unique_ptr<CDynamicLibrary> LoadCheckedLibrary(const std::string& path, uint32_t typeMask,
                                                    uint32_t minimumBuild) {
    auto library = std::make_unique<CDynamicLibrary>();
    if (!library->Load(path))
        return nullptr;
    const auto buildId = library->Function<uint32_t (*)()>("GetDLLBuildID");
    const auto type = library->Function<uint32_t (*)()>("GetDLLType");
    if (!buildId || !type)
        return nullptr;
    const uint32_t dllType = type();
    const uint32_t build = buildId();
    if ((dllType & typeMask) != 0 && build <= static_cast<uint32_t>(GetBuildNumber()) &&
        build >= minimumBuild)
        return library;
    AfxMessageBox(path + " is not supported by this build.", MB_OK | MB_ICONHAND);
    return nullptr;
}

void LoadPlugins(const std::string& folder) {
    PluginRegistry& r = Plugins();
    r.count = 0;
    for (const std::string& name : Files::SearchFolder(folder, ".so")) {
        if (r.count >= kMaxPlugins)
            break; // the registry holds eight; the surplus is ignored
        r.names[r.count] = Text::Utf8Truncate(name, 127);
        auto module = LoadCheckedLibrary(folder + "/" + name, TESSARINE_TYPE_CODEC,
                                         TESSARINE_MIN_CODEC_BUILD);
        if (!module) {
            LogPrintA("PLUGIN: Failed to load DLL: %s.\n", name.c_str());
            continue;
        }
        if (auto setTrace = module->Function<void (*)(TessarineTraceFunction)>("SetTraceFunction"))
            setTrace(&LogPrint);
        r.modules[r.count] = std::move(module);
        ++r.count;
    }
}

bool PluginSupports(CodecFamily family, int plugin) {
    const PluginRegistry& r = Plugins();
    if (plugin < 0 || static_cast<uint32_t>(plugin) >= r.count)
        return false;
    const std::string prefix = FamilyName(family);
    return r.modules[plugin]->Symbol((prefix + "Compress").c_str()) &&
           r.modules[plugin]->Symbol((prefix + "Decompress").c_str());
}

void BindPlugin(CodecFamily family, int plugin) {
    PluginRegistry& r = Plugins();
    if (plugin < 0 || static_cast<uint32_t>(plugin) >= r.count)
        return;
    const std::string prefix = FamilyName(family);
    r.compress[family] =
        r.modules[plugin]->Function<TessarineCompress>((prefix + "Compress").c_str());
    r.decompress[family] =
        r.modules[plugin]->Function<TessarineDecompress>((prefix + "Decompress").c_str());
}

void SelectPlugin(CodecFamily family, const std::string& preferred, int& index) {
    PluginRegistry& r = Plugins();
    for (uint32_t i = 0; i < r.count; ++i) {
        if (r.names[i] == preferred) {
            BindPlugin(family, static_cast<int>(i));
            index = static_cast<int>(i);
        }
    }
    for (uint32_t i = 0; i < r.count; ++i) {
        if ((!r.compress[family] || !r.decompress[family]) &&
            PluginSupports(family, static_cast<int>(i))) {
            BindPlugin(family, static_cast<int>(i));
            index = static_cast<int>(i);
        }
    }
}

void InitPluginBindings(const std::string& folder) {
    LoadPlugins(folder);
    for (CodecFamily family : kAllFamilies) {
        const char* section = Settings::kFamilySections[Slot(family)];
        const std::string preferred = IniReadString(section, Settings::kPluginKey);
        int index = -1;
        SelectPlugin(family, preferred, index);
        if (index != -1)
            IniWriteString(section, Settings::kPluginKey, Plugins().names[index]);
    }
}

void UnloadPlugins() {
    PluginRegistry& r = Plugins();
    for (uint32_t i = 0; i < r.count; ++i) {
        LogPrintA("PLUGIN: Unoading 'plugin_%s.dll' #%d...\n", r.names[i].c_str(),
                  static_cast<int>(i));
        r.modules[i].reset();
    }
    r.count = 0;
    r.compress = {};
    r.decompress = {};
}

namespace {

const wchar_t* RawInfo(int plugin, int selector) {
    const PluginRegistry& r = Plugins();
    if (plugin < 0 || static_cast<uint32_t>(plugin) >= r.count)
        return nullptr;
    const auto info = r.modules[plugin]->Function<const wchar_t* (*)(int32_t)>("GetPluginInfo");
    return info ? info(selector) : nullptr;
}

} // namespace

std::string PluginInfoText(int plugin, int selector) {
    const wchar_t* text = RawInfo(plugin, selector);
    return text ? Text::WideToUtf8(text) : std::string();
}

std::vector<std::string> PluginInfoList(int plugin, int selector) {
    std::vector<std::string> list;
    const wchar_t* item = RawInfo(plugin, selector);
    // A list ends with an empty string; a bounded walk guards against one that does not.
    for (int guard = 0; item && *item && guard < 64; ++guard) {
        const std::wstring text(item);
        list.push_back(Text::WideToUtf8(text));
        item += text.size() + 1;
    }
    return list;
}

const void* PluginLibraryOf(void* entryPoint) {
    Dl_info info{};
    if (!entryPoint || dladdr(entryPoint, &info) == 0)
        return nullptr;
    return info.dli_fbase;
}

bool PluginIsThreadSafe(void* entryPoint) {
    const void* library = PluginLibraryOf(entryPoint);
    if (!library)
        return false;
    const PluginRegistry& r = Plugins();
    for (uint32_t i = 0; i < r.count; ++i) {
        const auto safety = r.modules[i]->Function<uint32_t (*)()>("GetThreadSafety");
        if (safety && PluginLibraryOf(reinterpret_cast<void*>(safety)) == library)
            return safety() == TESSARINE_THREAD_SAFE;
    }
    return false;
}

int FindPlugin(const std::string& name) {
    const PluginRegistry& r = Plugins();
    for (uint32_t i = 0; i < r.count; ++i)
        if (r.names[i] == name)
            return static_cast<int>(i);
    return -1;
}

#pragma once
// What the tool dialogs ask of the main window: import a bitmap (or make an alias), show
// a bitmap in the view, select a texture, rebuild the tree, decode a texture. Each call
// runs on the window's thread; a worker thread that calls one waits until it is done.
#include "pipeline/TXDHelper.h"
#include "raster/Bitmap32.h"

#include <memory>
#include <string>

class IMainWindowHooks {
public:
    // The ids under which the log names the requests.
    enum Id : unsigned {
        kImportHook = 0x800A,
        kRenderHook = 0x800B,
        kSetFocusHook = 0x800C,
        kReloadListHook = 0x800D,
        kGetDataHook = 0x800E,
    };

    virtual ~IMainWindowHooks() = default;
    // Imports bitmap as request says, or makes the alias it names (bitmap may then be
    // null). A request without targetGiven gets targetCache -1. Returns 0.
    virtual int ImportHook(TextureImportRequest& request, const Bitmap32* bitmap) = 0;
    // Shows bitmap (kept alive by the caller while shown; null clears the view) under
    // name (null: "unnamed"). Returns 0.
    virtual int RenderHook(const std::string* name, const Bitmap32* bitmap) = 0;
    // Selects and shows a texture of the open cache. Returns 0.
    virtual int SetFocusHook(int texture) = 0;
    virtual int ReloadListHook() = 0;
    // A new bitmap of level 0 of a texture in cache 0-3; null when it cannot be decoded.
    virtual std::unique_ptr<Bitmap32> GetDataHook(int texture, int cache) = 0;
};

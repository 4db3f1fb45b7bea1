#pragma once
// GIF output, which Qt lacks: the bitmap is quantised to a 256-colour palette with
// libimagequant and written with giflib. Pixels with alpha below 128 become the one
// transparent colour GIF allows.
#include "raster/Bitmap32.h"

#include <string>

bool WriteGif(const Bitmap32& bitmap, const std::string& path);

/*
 * Tessarine codec plug-in interface.
 *
 * A codec plug-in is a shared library placed in the "plugins" folder beside the tessarine
 * executable. The program loads every *.so there (in file-name order), admits it by its
 * type and build number, and binds each of the four codec families to one admitted
 * plug-in that exports both of the family's entry points:
 *
 *     family   exports                              formats
 *     "DXT"    DXTCompress    DXTDecompress         DXT1, DXT5 (and DXT3 for dictionaries)
 *     "ETC1"   ETC1Compress   ETC1Decompress        ETC1
 *     "PVRTC"  PVRTCCompress  PVRTCDecompress       PVRTC 2 and 4 bits per pixel
 *     "UNC"    UNCCompress    UNCDecompress         RGBA 4444, RGBA 5551
 *
 * Every export is a plain C function (declare it inside extern "C" when building with a
 * C++ compiler) with default symbol visibility. All integers are 32-bit. A plug-in may
 * serve any number of families.
 */
#ifndef TESSARINE_PLUGIN_H
#define TESSARINE_PLUGIN_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TESSARINE_EXPORT __attribute__((visibility("default")))
#else
#define TESSARINE_EXPORT
#endif

/* ---- Admission ---------------------------------------------------------------------- */

/* GetDLLType must return a value with this bit set for a codec plug-in. */
#define TESSARINE_TYPE_CODEC 0x20u
/* The type bit of language packs; a codec plug-in leaves it clear. */
#define TESSARINE_TYPE_LANGUAGE 0x10u

/* GetDLLBuildID returns the build number of the program the plug-in was made for. The
 * program admits a codec plug-in when this number is at least TESSARINE_MIN_CODEC_BUILD
 * and at most its own build number (394 for this release); otherwise it refuses it with
 * the message "<path> is not supported by this build." */
#define TESSARINE_MIN_CODEC_BUILD 263u
#define TESSARINE_BUILD 394u

/* Required. */
TESSARINE_EXPORT uint32_t GetDLLType(void);
TESSARINE_EXPORT uint32_t GetDLLBuildID(void);

/* ---- Optional exports --------------------------------------------------------------- */

/* The program's log: printf-style, wide format string. Use %ls for wide string arguments
 * and %s for UTF-8 ones. A message ending in "\n" completes a log line. */
typedef int (*TessarineTraceFunction)(const wchar_t* format, ...);

/* Called once after admission with the program's log function. */
TESSARINE_EXPORT void SetTraceFunction(TessarineTraceFunction trace);

/* GetPluginInfo selectors. The returned text belongs to the plug-in and must stay valid
 * while it is loaded; NULL means "none". */
#define TESSARINE_INFO_QUALITY_NAMES 1   /* list: names of the quality levels */
#define TESSARINE_INFO_DITHERING_NAMES 2 /* list: names of the dithering modes */
#define TESSARINE_INFO_TITLE 3           /* short title, shown beside the file name */
#define TESSARINE_INFO_DESCRIPTION 4     /* description text */
/* A list is a sequence of NUL-terminated wide strings laid end to end, closed by an empty
 * string: L"Fast\0Normal\0Best\0\0". The user's choice reaches the entry points as an
 * index into these lists (see the flags below); the program offers at most five of each. */
TESSARINE_EXPORT const wchar_t* GetPluginInfo(int32_t selector);

/* Optional. Returns TESSARINE_THREAD_SAFE when every export of the library may be entered
 * from several threads at once (each call with its own buffers); the program then runs
 * compress calls into it side by side. Without it, or with any other value, the program
 * enters the library from one thread at a time. */
#define TESSARINE_THREAD_SAFE 1u
TESSARINE_EXPORT uint32_t GetThreadSafety(void);

/* ---- Entry points ------------------------------------------------------------------- */

/* Compress one mip level.
 *   source       width * height pixels, 4 bytes each in the order R, G, B, A, rows back
 *                to back without padding.
 *   destination  where to write the compressed level; the program has sized the buffer
 *                for the whole mip chain (width * height * 4 bytes for a non-square
 *                image's chain in most families).
 *   mode         TESSARINE_MODE_ALPHA or TESSARINE_MODE_OPAQUE. For PVRTC it also picks
 *                the bit rate: 4 bits per pixel with alpha, 2 without.
 *   flags        TESSARINE_FLAG_QUALITY_MASK: the chosen quality index (0 = the first
 *                entry of the quality list); TESSARINE_FLAG_DITHER: a dithering mode other
 *                than the first is chosen; TESSARINE_FLAG_ALPHA: the texture keeps alpha.
 * Returns the number of bytes written. PVRTC is always called with square levels. */
typedef uint32_t (*TessarineCompress)(const uint8_t* source, uint8_t* destination, int32_t width,
                                      int32_t height, int32_t mode, uint32_t flags);

#define TESSARINE_MODE_ALPHA 4
#define TESSARINE_MODE_OPAQUE 2
#define TESSARINE_FLAG_QUALITY_MASK 0x0Fu
#define TESSARINE_FLAG_DITHER 0x10u
#define TESSARINE_FLAG_ALPHA 0x20u

/* Decompress one mip level.
 *   source       the stored level.
 *   destination  room for width * height * 8 bytes.
 *   format, variant  which stored format the level is in:
 *       DXTDecompress    (0, 0) DXT1; (0, 32) DXT5; (0, 0x40) DXT1 and (0, 0x80) DXT3 as
 *                        texture dictionaries store them
 *       ETC1Decompress   (0, 0) ETC1
 *       PVRTCDecompress  (2, 0) PVRTC 2 bits per pixel; (4, 0) 4 bits per pixel
 *       UNCDecompress    (16, 32) RGBA 4444; (16, 0) RGBA 5551
 * Compressed families write width * height pixels as R, G, B, A bytes; UNC writes the
 * 16-bit pixels in the stored layout. Returns the number of bytes written. */
typedef uint32_t (*TessarineDecompress)(const uint8_t* source, uint8_t* destination, int32_t width,
                                        int32_t height, int32_t format, int32_t variant);

#define TESSARINE_DXT5_VARIANT 32
#define TESSARINE_TXD_DXT1_VARIANT 0x40
#define TESSARINE_TXD_DXT3_VARIANT 0x80
#define TESSARINE_UNC_FORMAT 16
#define TESSARINE_UNC_4444_VARIANT 32

#ifdef __cplusplus
}
#endif

#endif /* TESSARINE_PLUGIN_H */

/*
 * Tessarine language pack interface.
 *
 * A language pack is a shared library placed in the "lang" folder beside the tessarine
 * executable (installed: lib/tessarine/lang). The View > Language menu lists every *.so
 * there by its display name. The program admits a pack as it admits codec plug-ins: it
 * must export GetDLLType and GetDLLBuildID (see TessarinePlugin.h), its type must have the
 * bit TESSARINE_TYPE_LANGUAGE and its build must lie between TESSARINE_MIN_LANGUAGE_BUILD
 * and the program's build.
 *
 * A pack carries three tables of UTF-8 texts, each an array closed by an entry whose text
 * is NULL:
 *   strings  the string table by id (106 is the language's own display name);
 *   menus    menu item texts by command id, popup titles by their number below 100;
 *   dialogs  texts of dialog controls by dialog and control id (control 0: the caption).
 * Optionally a fourth table translates the window's texts that have no id, keyed by their
 * English wording (closed by an entry whose source is NULL).
 * An id the pack leaves out keeps the program's own text. A string that the program
 * fills in with values must keep the same placeholders ("%s", "%d", "%0.2f", ...) in the
 * same order; one that does not is ignored, as are ids the program does not know.
 */
#ifndef TESSARINE_LANGUAGE_H
#define TESSARINE_LANGUAGE_H

#include "plugins/include/TessarinePlugin.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TESSARINE_MIN_LANGUAGE_BUILD 368u

typedef struct TessarineText {
    int32_t id;
    const char* text;
} TessarineText;

typedef struct TessarineSourceText {
    const char* source; /* the program's English text, exactly */
    const char* text;
} TessarineSourceText;

typedef struct TessarineDialogText {
    int32_t dialog;
    int32_t control;
    const char* text;
} TessarineDialogText;

/* Required. */
TESSARINE_EXPORT const TessarineText* GetLanguageStrings(void);
TESSARINE_EXPORT const TessarineText* GetLanguageMenus(void);
TESSARINE_EXPORT const TessarineDialogText* GetLanguageDialogs(void);

/* Optional: texts by their English wording. */
TESSARINE_EXPORT const TessarineSourceText* GetLanguageTexts(void);

/* Optional: the language's code ("ru", "pt_BR"), by which the program also switches the
 * texts of the toolkit's own dialogs (file and colour pickers, message box buttons) where
 * a translation of them is installed. */
TESSARINE_EXPORT const char* GetLanguageLocale(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSARINE_LANGUAGE_H */

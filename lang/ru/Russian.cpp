// Русский язык интерфейса Tessarine.
//
// Every string, menu text, dialog text and window text of the program, in Russian. Formats keep the
// placeholders of the originals in the same order; filters keep their "|" pairs.
#include "lang/include/TessarineLanguage.h"

namespace {

const TessarineText kStrings[] = {
    {106, "Русский"},
    {107, "Список кэша Vice City (*.txt)|*.txt|Все файлы (*.*)|*.*|"},
    {108, "Сначала загрузите кэш!"},
    {109, "Изображение PNG (*.png)|*.png|Точечный рисунок Windows (*.bmp)|*.bmp|GIF (*.gif)|*.gif|"
          "JPEG (*.jpg; *.jpeg)|*.jpg;*.jpeg|TIFF (*.tif)|*.tif|"},
    {110, "Ошибка"},
    {111, "Это разрабатываемая сборка Tessarine. Она изменяет ваши кэши текстур на месте: "
          "храните копию файлов, с которыми работаете."},
    {112, "Tessarine %version%\nРедактор кэшей текстур мобильных версий GTA Vice City и "
          "San Andreas."},
    {114, "Имя текстуры должно быть уникальным!"},
    {115, "Имя текстуры не может быть пустым!"},
    {116, "Вы действительно хотите удалить эту категорию?"},
    {117, "Вы действительно хотите удалить эту текстуру?"},
    {118, "Словарь текстур RenderWare (*.txd)|*.txd|Все файлы (*.*)|*.*|"},
    {119, "Удалять можно только пустые категории."},
    {121, "Файл модели RenderWare (*.dff)|*.dff|Все файлы (*.*)|*.*|"},
    {122, "Кэши не найдены, увы.\n\nПроверьте файлы .DAT, .TMB и .TOC."},
    {123, "Версия RW: 0x%08X"},
    {124, "Текстура «%s» уже существует. Заменить её?"},
    {125, "Текстура «%s» отрисована за %0.2f с."},
    {126, "Готово!"},
    {130, "Поиск"},
    {131, "Текстуры не найдены. Начать поиск с начала?"},
    {136, "Карта радара не найдена."},
    {138, "Текстовый файл (*.txt)|*.txt|Все файлы (*.*)|*.*|"},
    {139, "Все поддерживаемые форматы|*.png;*.jpg;*.bmp;*.gif;*.jpeg;*.tif|Изображение PNG "
          "(*.png)|*.png|Точечный рисунок Windows (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpeg; "
          "*.jpg)|*.jpeg;*.jpg|TIFF (*.tif)|*.tif|"},
    {142, "Архив GTA3 (*.img)|*.img|Все файлы (*.*)|*.*|"},
    {144, "Создать"},
    {145, "Импорт"},
    {146, "Экспорт"},
    {147, "Открыть"},
    {148, "Кэш загружен за %.2f с."},
    {150, "Язык интерфейса изменён"},
    {151, "Файл"},
    {152, "Размер"},
    {153, "Смещение"},
    {154, "Текстура"},
    {155, "Сведения"},
    {156, "Размеры"},
    {160, "Кэш не загружен"},
    {161, "Не найдено"},
    {162, "Выбрана категория «%s»."},
    {163, "Продолжить?"},
    {166, "Да для всех?"},
    {167, "Удалить все выбранные текстуры вместе с их псевдонимами?"},
    {168, "Выберите папку для экспорта текстур:"},
    {169, "Выбрано элементов: %d"},
    {174, "&Консоль отладки"},
    {177, "Сделать этот кэш для San Andreas?\n\nЕсли выбрать «Нет», будет создан кэш для "
          "Vice City."},
    {0, nullptr},
};

const TessarineText kMenus[] = {
    {40219, "&Создать..."},
    {40008, "&Открыть..."},
    {40222, "&Перезагрузить"},
    {40015, "&Закрыть"},
    {40009, "В&ыход"},
    {40091, "&Найти..."},
    {40227, "Найти &далее"},
    {40202, "С &альфа-каналом..."},
    {40205, "&Без альфа-канала..."},
    {40273, "Без сжатия (32 бита на пиксель)..."},
    {40012, "&Экспорт..."},
    {40065, "Экспортировать &все..."},
    {40221, "Добавить &категорию..."},
    {40262, "Импорт &TXD..."},
    {40621, "&Миниатюры"},
    {40071, "Показывать &категории"},
    {40046, "&Растянуть изображение"},
    {40043, "CStatic (так себе)"},
    {40044, "GDI+"},
    {40045, "Direct X"},
    {40050, "Нет"},
    {40051, "Альфа"},
    {40052, "Фиксированная альфа"},
    {40053, "Сплошной цвет"},
    {40057, "Цвет фона..."},
    {40058, "&Следующий кэш"},
    {40059, "&Предыдущий кэш"},
    // The way back stays readable for whoever cannot read this language.
    {40300, "English (US)"},
    {40617, "Инструмент I&MG..."},
    {40359, "&Конвертер кэша..."},
    {40601, "&Оптимизатор кэша..."},
    {40602, "&Сведения о кэше..."},
    {40357, "&Экспорт..."},
    {40358, "&Импорт..."},
    {40006, "&Экспорт..."},
    {40075, "&Переименовать"},
    {40207, "&Переименовать"},
    {40204, "Создать &псевдоним..."},
    {40261, "Перейти к &оригиналу"},
    {40271, "&Показать все псевдонимы..."},
    {40076, "&Удалить"},
    {40208, "&Удалить"},
    {40209, "&Экспортировать все"},
    {40095, "&Новая категория..."},
    {40240, "&Нет"},
    // The index file's own keys keep their names.
    {40362, "camnorm"},
    {40363, "hassibling"},
    {40364, "hasdetail"},
    {40365, "mipmode"},
    {40366, "streammode"},
    {40368, "hasbias"},
    {17, "&Список псевдонимов"},
    {18, "&Категория"},
    {19, "&Детализация"},
    {20, "&Свойства"},
    {40277, "Редактор карты &радара..."},
    {40278, "Проверить &модель (DFF)..."},
    {40279, "&Синхронизация с IMG..."},
    {40281, "Импорт &IMG..."},
    {40604, "&Автоматически"},
    {40605, "GTA &Vice City"},
    {40606, "GTA &San Andreas"},
    {40085, "&Не показывать заставку"},
    {40612, "&Упаковывать данные текстур"},
    {40619, "Сжатие по &правилам импорта"},
    {40019, "&Информация"},
    {40404, "&Сведения"},
    {1, "&Файл"},
    {2, "&Правка"},
    {3, "&Текстуры"},
    {4, "&Импорт"},
    {5, "&Вид"},
    {6, "&Отрисовка"},
    {7, "&Фон"},
    {8, "&Язык"},
    {9, "&Инструменты"},
    {10, "&Настройки"},
    {11, "&Игра"},
    {12, "&Справка"},
    {16, "&Недавние кэши"},
    {13, "&Модуль сжатия"},
    {14, "&Качество сжатия"},
    {15, "&Дизеринг"},
    {0, nullptr},
};

const TessarineSourceText kTexts[] = {
    {"Cache unloaded.", "Кэш выгружен."},
    {"Cache was successfully created.", "Кэш успешно создан."},
    {"No caches created.", "Не создано ни одного кэша."},
    {"Cache is not loaded.", "Кэш не загружен."},
    {"No thumbnails loaded.", "Миниатюры не загружены."},
    {"Mip Level #%02d (%d x %d)", "Мип-уровень №%02d (%d x %d)"},
    {"Another program changed this cache since it was opened.\n\nDo you want to reload it?",
     "Другая программа изменила этот кэш после его открытия.\n\nЗагрузить его заново?"},
    {"This cache is no longer there; it is taken off the list of recent caches.",
     "Этого кэша больше нет; он удалён из списка недавних кэшей."},
    {"Filter", "Фильтр"},
    {"No spaces allowed", "Пробелы не допускаются"},
    {"Cannot import %s:\n%s\nContinue?", "Не удалось импортировать %s:\n%s\nПродолжить?"},
    {"Export cancelled after %d textures.\n", "Экспорт отменён после %d текстур.\n"},
    {"%d of %d textures could not be exported:", "Не удалось экспортировать %d из %d текстур:"},
    {"Do you want to export aliases too?", "Экспортировать также псевдонимы?"},
    {"Export all", "Экспортировать все"},
    {"Export '%s' category", "Экспорт категории «%s»"},
    {"Import With Alpha", "Импорт с альфа-каналом"},
    {"Import Without Alpha", "Импорт без альфа-канала"},
    {"Importing images...", "Импорт изображений..."},
    {"Exporting textures...", "Экспорт текстур..."},
    {"%d textures exported.", "Экспортировано текстур: %d."},
    {"%d of %d images imported.", "Импортировано изображений: %d из %d."},
    {"No textures found.", "Текстуры не найдены."},
    {"Nothing was deleted: the cache's records are not in texture order, and cutting them out "
     "could take other textures' bytes. Rebuild the cache first.",
     "Ничего не удалено: записи кэша идут не в порядке текстур, и их вырезание могло бы "
     "задеть байты других текстур. Сначала перестройте кэш."},
    {"The name '%s' cannot be used: %s.", "Имя «%s» нельзя использовать: %s."},
    {"Category name", "Имя категории"},
    {"Create new category", "Создание категории"},
    {"Alias name:", "Имя псевдонима:"},
    {"Texture already exists", "Такая текстура уже существует"},
    {"Find what:", "Что искать:"},
    {"Find texture", "Поиск текстуры"},
    {"Whoa! No TXT database found.\n\nDo you want to build new database?\n(Tessarine can't "
     "work without txt database)",
     "Ого! База TXT не найдена.\n\nПостроить новую базу?\n(Без базы txt Tessarine работать "
     "не может)"},
    {"%s.TOC file is corrupted.\r\n\r\nDo you want to fix it?",
     "Файл %s.TOC повреждён.\r\n\r\nИсправить его?"},
    {"%s.TMB file is corrupted, it can hang game loading.\r\n\r\nDo you wanna apply fast fix?",
     "Файл %s.TMB повреждён, из-за него игра может зависнуть при загрузке.\r\n\r\n"
     "Применить быстрое исправление?"},
    // The cache converter and the cache optimizer (CDlgConverter, CDlgOptimize).
    {"Close", "Закрыть"},
    {"Cache Converter", "Конвертер кэша"},
    {"Note! \n Output quality will be reduced every time you convert cache.\nOperation can "
     "take very fuckin' long time.",
     "Внимание! \n Качество падает при каждой конвертации кэша.\nОперация может занять "
     "чертовски много времени."},
    {"Source cache:", "Исходный кэш:"},
    {"Target cache:", "Целевой кэш:"},
    {" (rebuild)", " (пересоздать)"},
    {"GO", "ПУСК"},
    {"Cancel", "Отмена"},
    {"Preparing...", "Подготовка..."},
    {"You cant build cache from itself!", "Нельзя собрать кэш из него самого!"},
    {"Target cache already exists!\r\n\r\nIt's really NOT recommended to overwrite it.\r\n\r\n"
     "Are you sure you want to continue?",
     "Целевой кэш уже существует!\r\n\r\nПерезаписывать его НЕ рекомендуется.\r\n\r\n"
     "Вы уверены, что хотите продолжить?"},
    {"Please wait until operation ended", "Дождитесь окончания операции"},
    {"Done within %0.2f seconds!", "Готово за %0.2f с!"},
    {"Cancelled; the target cache was left as it was.",
     "Отменено; целевой кэш остался прежним."},
    {"The target cache was left as it was.", "Целевой кэш остался прежним."},
    {"%d textures could not be converted and have no record in the target:",
     "Не удалось сконвертировать текстур: %d; в целевом кэше у них нет записи:"},
    {"Cache Optimizer", "Оптимизатор кэша"},
    {"Note! \n Double check you know what are you doing right now.\nOperation can take very "
     "fuckin' long time.",
     "Внимание! \n Убедитесь, что понимаете, что делаете.\nОперация может занять "
     "чертовски много времени."},
    {"Create aliases for name duplicates", "Сделать псевдонимы для повторов имён"},
    {"Delete name duplicates", "Удалить повторы имён"},
    {"Create aliases for raster data duplicates", "Сделать псевдонимы для повторов растров"},
    {"Cache comparsion based on:", "Сравнивать по кэшу:"},
    {"Algorithm:", "Алгоритм:"},
    {"MD5-based (fastest)", "По MD5 (быстрее всего)"},
    {"MD5-based decompressed (fast)", "По MD5 распакованных (быстро)"},
    {"Pixel-diff (slow)", "По пикселям (медленно)"},
    {"Pixel-diff decompressed (very slow)", "По пикселям распакованных (очень медленно)"},
    {"Raster comparsion value:", "Порог сравнения растров:"},
    {"Maximum count of different pixels. Default value is 5 pixels.",
     "Наибольшее число различающихся пикселей. По умолчанию 5 пикселей."},
    {"Nothing to do.", "Нечего делать."},
    {"%d duplicates", "Повторов: %d"},
    {"Optimize", "Оптимизировать"},
    // The radar map editor, the siblings list and the alias lists.
    {"Radar Map Editor", "Редактор карты радара"},
    {"Current Radar Info", "Текущая карта радара"},
    {"Import / Export", "Импорт / экспорт"},
    {"Radar", "Радар"},
    {"Alias of", "Псевдоним для"},
    {"Show whole map", "Показать всю карту"},
    {"Optimize Radar Map", "Оптимизировать карту радара"},
    {"Use alpha?", "Использовать альфа-канал?"},
    {"Wrong dimensions given", "Неверные размеры"},
    {"Image must be square.", "Изображение должно быть квадратным."},
    {"Image is too small.", "Изображение слишком маленькое."},
    {"The radar map was not imported; every tile is as it was.\n\n%s",
     "Карта радара не импортирована; все плитки остались прежними.\n\n%s"},
    {"Cannot read %s", "Не удаётся прочитать %s"},
    {"Cannot write %s", "Не удаётся записать %s"},
    {"ID", "№"},
    {"No aliases found.", "Псевдонимы не найдены."},
    {"Aliases of '%s'", "Псевдонимы «%s»"},
    {"Export alias list", "Экспорт списка псевдонимов"},
    {"Import alias list", "Импорт списка псевдонимов"},
    {"%d aliases created.", "Создано псевдонимов: %d."},
    {"%d lines not taken:", "Не принято строк: %d:"},
    // The IMG synchronizer (CDlgSyncIMG).
    {"IMG Synchronizer", "Синхронизация с IMG"},
    {"Open IMGs", "Открыть IMG"},
    {"Delete unused", "Удалить неиспользуемые"},
    {"Click 'Open IMGs' to begin.", "Нажмите «Открыть IMG», чтобы начать."},
    {"Alias", "Псевдоним"},
    {"Case", "Регистр"},
    {"Cache N/A", "Кэш недоступен"},
    {"%d to delete (%0.2f MB)", "К удалению: %d (%0.2f МБ)"},
    // The dictionary, model and archive tools (CDlgImportTXD, CDlgDFFCheck, CDlgIMGTool,
    // CDlgImportIMG).
    {"Import", "Импорт"},
    {"Import TXD - %s", "Импорт TXD - %s"},
    {"Found textures:", "Найденные текстуры:"},
    {"RW Stream Structure:", "Структура потока RW:"},
    {"Show RW Stream", "Показать поток RW"},
    {"Check All", "Отметить все"},
    {"Export current file", "Экспортировать текущий файл"},
    {"Export all files", "Экспортировать все файлы"},
    {"Nothing to import, lol", "Нечего импортировать"},
    {"All textures imported.", "Все текстуры импортированы."},
    {"These textures were not imported:", "Эти текстуры не импортированы:"},
    {"These textures could not be exported:", "Эти текстуры не удалось экспортировать:"},
    {"the texture has no pixels", "у текстуры нет пикселей"},
    {"Model Textures - %s", "Текстуры модели - %s"},
    {"Textures:", "Текстуры:"},
    {"State", "Состояние"},
    {"OK", "ОК"},
    {"Save As...", "Сохранить как..."},
    {"Save as Plain Text", "Сохранить как текст"},
    {"Name should not be empty.", "Имя не может быть пустым."},
    {"The names of a texture dictionary are not renamed here; only a model's are.",
     "Имена словаря текстур здесь не переименовываются; только имена модели."},
    {"No texture of the model is named '%s'; the name of a material effect is not renamed.",
     "Ни одна текстура модели не называется «%s»; имя эффекта материала не переименовывается."},
    {"Unknown error", "Неизвестная ошибка"},
    {"IMG Tool", "Инструмент IMG"},
    {"Import IMG", "Импорт IMG"},
    {"Open IMG", "Открыть IMG"},
    {"Add File", "Добавить файл"},
    {"Delete", "Удалить"},
    {"Import Checked", "Импортировать отмеченные"},
    {"Import Selected", "Импортировать выбранный"},
    {"Found TXDs:", "Найденные TXD:"},
    {"Click 'Open IMGs' to begin", "Нажмите «Открыть IMG», чтобы начать"},
    {"The archive '%s' could not be opened.", "Не удалось открыть архив «%s»."},
    {"'%s' already exists; it was left as it is and nothing was written.",
     "«%s» уже существует; файл оставлен как есть, ничего не записано."},
    {"The entry '%s' runs past the end of the archive: %llu of its %llu bytes are there. "
     "Nothing was written.",
     "Элемент «%s» выходит за конец архива: в нём есть %llu из %llu байт. Ничего не записано."},
    {"'%s' could not be written: %s", "Не удалось записать «%s»: %s"},
    {"%d imported, %d skipped, %d failed", "Импортировано: %d, пропущено: %d, ошибок: %d"},
    {"%s file", "Файл %s"},
    {"All files", "Все файлы"},
    // The archive editing of the IMG tool (CDlgIMGTool).
    {"Rebuild", "Перестроить"},
    {"Saving the archive...", "Сохранение архива..."},
    {"The archive was saved.", "Архив сохранён."},
    {"%d files added to the archive.", "Файлов добавлено в архив: %d."},
    {"Replaced in place: %s", "Заменены на месте: %s"},
    {"Delete %d entries from the archive?", "Удалить из архива элементов: %d?"},
    {"The archive was not changed.\n\n%s", "Архив не изменён.\n\n%s"},
    {nullptr, nullptr},
};

enum { kAboutDialog = 100, kRenderDialog = 129 };
enum { kCaption = 0, kAboutOk = 1, kRenderFailed = 1043 };

const TessarineDialogText kDialogs[] = {
    {kAboutDialog, kCaption, "О программе Tessarine"},
    {kAboutDialog, kAboutOk, "ОК"},
    {kRenderDialog, kRenderFailed, "Не удаётся отрисовать текстуру."},
    {0, 0, nullptr},
};

} // namespace

extern "C" {

TESSARINE_EXPORT uint32_t GetDLLType(void) {
    return TESSARINE_TYPE_LANGUAGE;
}
TESSARINE_EXPORT uint32_t GetDLLBuildID(void) {
    return TESSARINE_BUILD;
}
TESSARINE_EXPORT const TessarineText* GetLanguageStrings(void) {
    return kStrings;
}
TESSARINE_EXPORT const TessarineText* GetLanguageMenus(void) {
    return kMenus;
}
TESSARINE_EXPORT const TessarineDialogText* GetLanguageDialogs(void) {
    return kDialogs;
}
TESSARINE_EXPORT const TessarineSourceText* GetLanguageTexts(void) {
    return kTexts;
}
TESSARINE_EXPORT const char* GetLanguageLocale(void) {
    return "ru";
}

} // extern "C"

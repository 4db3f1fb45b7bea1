# The folders below the user interface, each its own library that links only the folders
# it uses. Which folders a folder may include is derived from the same declarations, and
# the configure step refuses an #include of any other folder: an arrow that runs back up
# the layers (or sideways to a folder not declared) stops the build before it starts.
#
#   tessarine_core_module(NAME FOLDER folder USES folder... INCLUDES header-folder...
#                         LIBS library... SOURCES file...)
# INCLUDES names folders of headers only (the plug-in SDK), used without linking.

# tessarine_layer_check(FOLDER allowed-folder...): every "folder/..." include of the files
# in FOLDER names FOLDER itself or one of the allowed folders.
function(tessarine_layer_check folder)
    set(allowed ${folder} ${ARGN})
    file(GLOB_RECURSE sources ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^#include \"[a-z]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" used "${line}")
            if(NOT used IN_LIST allowed)
                file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${source})
                message(FATAL_ERROR "${shown} includes ${used}/, which ${folder}/ may not "
                                    "use (it may use: ${allowed})")
            endif()
        endforeach()
    endforeach()
endfunction()

function(tessarine_core_module name)
    cmake_parse_arguments(MODULE "" "FOLDER" "USES;INCLUDES;LIBS;SOURCES" ${ARGN})
    add_library(${name} STATIC ${MODULE_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_include_directories(${name} SYSTEM PRIVATE ${GIF_INCLUDE_DIR})
    set(allowed ${MODULE_INCLUDES})
    foreach(used ${MODULE_USES})
        target_link_libraries(${name} PUBLIC tessarine_${used})
        get_property(reachable GLOBAL PROPERTY TESSARINE_LAYERS_${used})
        list(APPEND allowed ${used} ${reachable})
    endforeach()
    list(REMOVE_DUPLICATES allowed)
    set_property(GLOBAL PROPERTY TESSARINE_LAYERS_${MODULE_FOLDER} ${allowed})
    target_link_libraries(${name} PUBLIC ${MODULE_LIBS} PRIVATE tessarine_warnings)
    tessarine_layer_check(${MODULE_FOLDER} ${allowed})
endfunction()

# The folders FOLDER's code may include, for the folders above the core.
function(tessarine_layers_of folder result)
    get_property(reachable GLOBAL PROPERTY TESSARINE_LAYERS_${folder})
    set(${result} ${folder} ${reachable} PARENT_SCOPE)
endfunction()

# tessarine_subfolder_check(FOLDER forbidden-folder...): the files of FOLDER (a path such
# as ui/tools) include none of the forbidden folders, which lie above it.
function(tessarine_subfolder_check folder)
    file(GLOB_RECURSE sources ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^#include \"[a-z]+/[a-z]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^#include \"([a-z]+/[a-z]+)/.*" "\\1" used "${line}")
            if(used IN_LIST ARGN)
                file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${source})
                message(FATAL_ERROR "${shown} includes ${used}/, which lies above ${folder}/")
            endif()
        endforeach()
    endforeach()
endfunction()

# tessarine_core_module(name sources...): one folder's object library, built with our
# warnings and linked into tessarine_core.
function(tessarine_core_module name)
    add_library(${name} OBJECT ${ARGN})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui PkgConfig::IMAGEQUANT
                          PRIVATE tessarine_warnings)
    target_include_directories(${name} SYSTEM PRIVATE ${GIF_INCLUDE_DIR})
endfunction()

# Windows-only targets: the module, the import library of the network
# library, and the Wine tests.
enable_language(RC)

# Import library that binds vortanet.dll by ordinal only.
set(ZV_VORTANET_IMPLIB ${CMAKE_BINARY_DIR}/lib/libvortanet_imp.a)
add_custom_command(
    OUTPUT ${ZV_VORTANET_IMPLIB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND ${CMAKE_DLLTOOL} -d ${PROJECT_SOURCE_DIR}/session/vortanet.def -l ${ZV_VORTANET_IMPLIB}
    DEPENDS ${PROJECT_SOURCE_DIR}/session/vortanet.def
    COMMENT "Import library for vortanet.dll (ordinals only)")
add_custom_target(vortanet_implib DEPENDS ${ZV_VORTANET_IMPLIB})
add_library(vortanet_imp STATIC IMPORTED GLOBAL)
set_target_properties(vortanet_imp PROPERTIES IMPORTED_LOCATION ${ZV_VORTANET_IMPLIB})
add_dependencies(vortanet_imp vortanet_implib)

add_subdirectory(ui)
if(EXISTS ${PROJECT_SOURCE_DIR}/skin/CMakeLists.txt)
    add_subdirectory(skin)
endif()

add_library(Zentavo SHARED
    exports/Exports.cpp
    exports/Zentavo.def
    session/VortanetLibrary.cpp)
set_target_properties(Zentavo PROPERTIES PREFIX "" OUTPUT_NAME Zentavo)
target_link_libraries(Zentavo PRIVATE zv_core zv_ui vortanet_imp)
add_dependencies(Zentavo vortanet_implib)

# Keeps a wineserver warm for a whole test run (see tools/wine-session).
add_executable(zv_idle tools/idle.c)

add_subdirectory(tests/win)

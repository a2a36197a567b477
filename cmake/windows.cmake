# Windows-only targets: the module, the import library of the network
# library, and the Wine tests.
enable_language(RC)

# Import library that binds vortanet.dll by ordinal only.
set(ZV_VORTANET_IMPLIB ${CMAKE_BINARY_DIR}/lib/libvortanet_imp.a)
zv_arch_def(${PROJECT_SOURCE_DIR}/session/vortanet.def ZV_VORTANET_IMPORT_DEF)
add_custom_command(
    OUTPUT ${ZV_VORTANET_IMPLIB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND ${CMAKE_DLLTOOL} -d ${ZV_VORTANET_IMPORT_DEF} -l ${ZV_VORTANET_IMPLIB}
    DEPENDS ${ZV_VORTANET_IMPORT_DEF}
    COMMENT "Import library for vortanet.dll (ordinals only)")
add_custom_target(vortanet_implib DEPENDS ${ZV_VORTANET_IMPLIB})
add_library(vortanet_imp STATIC IMPORTED GLOBAL)
set_target_properties(vortanet_imp PROPERTIES IMPORTED_LOCATION ${ZV_VORTANET_IMPLIB})
add_dependencies(vortanet_imp vortanet_implib)

add_subdirectory(ui)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZV_COMCTL32_X64_IMPLIB ${CMAKE_BINARY_DIR}/lib/libcomctl32_x64.a)
    add_custom_command(
        OUTPUT ${ZV_COMCTL32_X64_IMPLIB}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
        COMMAND ${CMAKE_DLLTOOL} -d ${PROJECT_SOURCE_DIR}/cmake/comctl32-x64.def -l ${ZV_COMCTL32_X64_IMPLIB}
        DEPENDS ${PROJECT_SOURCE_DIR}/cmake/comctl32-x64.def
        COMMENT "Import library for what the 64-bit libcomctl32.a lacks")
    add_custom_target(comctl32_x64_implib DEPENDS ${ZV_COMCTL32_X64_IMPLIB})
    add_library(comctl32_x64 STATIC IMPORTED GLOBAL)
    set_target_properties(comctl32_x64 PROPERTIES IMPORTED_LOCATION ${ZV_COMCTL32_X64_IMPLIB})
    add_dependencies(comctl32_x64 comctl32_x64_implib)
    target_link_libraries(zv_ui PUBLIC comctl32_x64)
endif()
add_subdirectory(skin)
# The shaped button and the custom-drawn slider.
add_library(zv_skin_controls STATIC
    skin/BitmapRegion.cpp
    skin/GdiSliderCanvas.cpp
    skin/SkinButton.cpp
    skin/SkinSlider.cpp)
target_include_directories(zv_skin_controls PUBLIC skin)
target_link_libraries(zv_skin_controls PUBLIC zv_ui zv_core)

# What both panels share: the panel base, their pixel grid at the window's
# DPI, their font and their scaled bitmaps.
add_library(zv_panels STATIC
    panels/DialogTemplate.cpp
    panels/PanelFont.cpp
    panels/PanelImages.cpp
    panels/PanelLayout.cpp)
target_include_directories(zv_panels PUBLIC panels)
target_link_libraries(zv_panels PUBLIC zv_skin_controls zv_skin zv_ui zv_core)

add_library(Zentavo SHARED
    dome/DomeCtrlDlg.cpp
    exports/Exports.cpp
    exports/PanelFactory.cpp
    exports/Zentavo.def
    picture/ColorAdjustDlg.cpp
    session/VortanetLibrary.cpp)
set_target_properties(Zentavo PROPERTIES PREFIX "" OUTPUT_NAME Zentavo)

# Dialog templates, menus, cursor and bitmaps. windres reads the BITMAP and
# CURSOR files itself; CMake only scans #include, so list them as dependencies.
target_sources(Zentavo PRIVATE ${PROJECT_SOURCE_DIR}/res/zentavo.rc)
target_include_directories(Zentavo PRIVATE ${PROJECT_SOURCE_DIR}/res ${PROJECT_SOURCE_DIR}/vortanet)
file(GLOB ZV_RES_ART CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/res/bitmaps/*.bmp ${PROJECT_SOURCE_DIR}/res/cursors/*.cur)
set_source_files_properties(${PROJECT_SOURCE_DIR}/res/zentavo.rc PROPERTIES
     OBJECT_DEPENDS "${ZV_RES_ART};${PROJECT_SOURCE_DIR}/res/resource.h")
find_package(Python3 COMPONENTS Interpreter REQUIRED)
add_test(NAME resources_match_layout
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/artgen/rescheck.py
                 --windres ${CMAKE_RC_COMPILER} ${PROJECT_SOURCE_DIR}/res/zentavo.rc)
target_link_libraries(Zentavo PRIVATE zv_panels zv_skin_controls zv_skin zv_core zv_ui vortanet_imp)
add_dependencies(Zentavo vortanet_implib)

add_subdirectory(vortanet)

zv_version_info(Zentavo Zentavo.dll "Zentavo camera-control module")
zv_version_info(vortanet vortanet.dll "Device network library (device protocol)")
zv_version_info(vortanet_onvif vortanet.dll "Device network library (ONVIF build)")

# Keeps a wineserver warm for a whole test run (see tools/wine-session).
add_executable(zv_idle tools/idle.c)

add_subdirectory(tests/win)

# The panel gallery: both templates with their skins and controls, for screenshots.
add_executable(zv_gallery WIN32 tools/gallery/Gallery.cpp res/zentavo.rc)
target_include_directories(zv_gallery PRIVATE dome res)
target_link_libraries(zv_gallery PRIVATE zv_panels)
target_link_options(zv_gallery PRIVATE -municode)

# The sample host (make demo): what a host developer copies from.
add_executable(ZentavoHost WIN32
    host/CameraConfig.cpp
    host/DeviceWorker.cpp
    host/Tour.cpp
    host/ZentavoApi.cpp
    host/ZentavoHost.cpp
    host/ZentavoHost.rc)
target_include_directories(ZentavoHost PRIVATE include vortanet host)
target_link_libraries(ZentavoHost PRIVATE zv_devsim_client comctl32 gdi32 user32)
target_link_options(ZentavoHost PRIVATE -municode)
target_compile_definitions(ZentavoHost PRIVATE UNICODE _UNICODE)
add_dependencies(ZentavoHost Zentavo vortanet)
zv_version_info(ZentavoHost ZentavoHost.exe "Zentavo sample host")

# The soak (tools/soak/run): hours of plays, panels and device faults.
add_executable(zv_soak tools/soak/Soak.cpp tests/win/ProcessCounts.cpp)
target_include_directories(zv_soak PRIVATE include res tests/common tests/win)
target_link_libraries(zv_soak PRIVATE zv_devsim_client comctl32 ntdll)
add_dependencies(zv_soak Zentavo vortanet)

# The benchmark programs (make bench). They load Zentavo.dll and vortanet.dll
# from their own directory at run time.
foreach(bench roundtrip streams dome colour)
    add_executable(zv_bench_${bench})
    target_include_directories(zv_bench_${bench} PRIVATE include vortanet tools/bench)
    target_link_libraries(zv_bench_${bench} PRIVATE zv_protocol ws2_32)
endforeach()
target_sources(zv_bench_roundtrip PRIVATE tools/bench/RoundTrip.cpp)
target_sources(zv_bench_streams PRIVATE tools/bench/Streams.cpp)
target_sources(zv_bench_dome PRIVATE tools/bench/DomeBench.cpp)
# The colour panel's write, driven through a real panel.
target_sources(zv_bench_colour PRIVATE tools/bench/ColorBench.cpp)
target_include_directories(zv_bench_colour PRIVATE res)
target_link_libraries(zv_bench_colour PRIVATE comctl32 user32)
foreach(prog zv_bench_roundtrip zv_bench_streams zv_bench_dome zv_bench_colour)
    add_dependencies(${prog} Zentavo)
    if(TARGET vortanet)
        add_dependencies(${prog} vortanet)
    endif()
endforeach()

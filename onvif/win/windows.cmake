# vortanet.dll, web-service build: the other build's ordinals (its .def) and
# its picture output, into bin/onvif/ so that the two never mix.
add_library(vortanet_onvif SHARED
    ${CMAKE_CURRENT_LIST_DIR}/Drawer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MfH264Decoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ModuleThread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnvifLibrary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Play.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WicJpegDecoder.cpp
    ${PROJECT_SOURCE_DIR}/vortanet/LibraryExports.cpp
    ${PROJECT_SOURCE_DIR}/vortanet/VideoOutput.cpp
    ${ZV_VORTANET_DEF})
set_target_properties(vortanet_onvif PROPERTIES PREFIX "" OUTPUT_NAME vortanet
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/onvif)
target_include_directories(vortanet_onvif PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/vortanet)
target_link_libraries(vortanet_onvif PRIVATE zv_onvif_core mfplat mfuuid ole32 uuid gdi32 user32)

# make bench: the library's PTZ round trip, decode and draw, plays side by side.
add_executable(zv_bench_onvif ${PROJECT_SOURCE_DIR}/tools/bench/OnvifBench.cpp ${CMAKE_CURRENT_LIST_DIR}/WicJpegDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MfH264Decoder.cpp)
set_target_properties(zv_bench_onvif PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/onvif)
target_include_directories(zv_bench_onvif PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tools/bench
    ${PROJECT_SOURCE_DIR}/vortanet)
target_link_libraries(zv_bench_onvif PRIVATE zv_onvif_core windowscodecs mfplat mfuuid ole32 oleaut32 uuid gdi32 user32)
add_dependencies(zv_bench_onvif vortanet_onvif)

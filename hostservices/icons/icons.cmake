# The icons the windows load from ":/Resource/" are drawn as SVG here and rendered to PNG (1x and @2x)
# at build time, then compiled into KSHostServices; a shared library registers its resources when it
# is loaded, so the plug-in only names the paths.
set(KSHOST_ICONS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KSHOST_ICONS_OUT ${CMAKE_CURRENT_BINARY_DIR}/icons)
set(KSHOST_ICON_SOURCES
    ${KSHOST_ICONS_DIR}/icons.json
    ${KSHOST_ICONS_DIR}/svg/alert.svg
    ${KSHOST_ICONS_DIR}/svg/info.svg
    ${KSHOST_ICONS_DIR}/svg/media_music.svg
    ${KSHOST_ICONS_DIR}/svg/media_picture.svg
    ${KSHOST_ICONS_DIR}/svg/media_project.svg
    ${KSHOST_ICONS_DIR}/svg/media_subtitle.svg
    ${KSHOST_ICONS_DIR}/svg/media_video.svg
    ${KSHOST_ICONS_DIR}/svg/open_storage.svg
    ${KSHOST_ICONS_DIR}/svg/status_busy.svg
    ${KSHOST_ICONS_DIR}/svg/status_failed.svg
    ${KSHOST_ICONS_DIR}/svg/status_idle.svg
    ${KSHOST_ICONS_DIR}/svg/status_paused.svg
    ${KSHOST_ICONS_DIR}/svg/success.svg
)

add_executable(kshost_svgrender ${KSHOST_ICONS_DIR}/svgrender.cpp)
target_link_libraries(kshost_svgrender PRIVATE Qt5::Gui Qt5::Svg)

# One run writes every PNG and the list of them; rcc runs again whenever the list is rewritten.
add_custom_command(
    OUTPUT ${KSHOST_ICONS_OUT}/hosticons.qrc
    # A sanitized build's tool must not fail the build over the leaks Qt's platform plugin reports at
    # exit; the tool itself is checked by the icon test.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
        $<TARGET_FILE:kshost_svgrender> --out ${KSHOST_ICONS_OUT}/Resource --qrc ${KSHOST_ICONS_OUT}/hosticons.qrc
        ${KSHOST_ICONS_DIR}/icons.json
    DEPENDS kshost_svgrender ${KSHOST_ICON_SOURCES}
    COMMENT "Rendering the host icons"
    VERBATIM)
add_custom_command(
    OUTPUT ${KSHOST_ICONS_OUT}/qrc_hosticons.cpp
    COMMAND Qt5::rcc --name hosticons --output ${KSHOST_ICONS_OUT}/qrc_hosticons.cpp ${KSHOST_ICONS_OUT}/hosticons.qrc
    DEPENDS ${KSHOST_ICONS_OUT}/hosticons.qrc Qt5::rcc
    VERBATIM)
set_source_files_properties(${KSHOST_ICONS_OUT}/qrc_hosticons.cpp PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON)
target_sources(KSHostServices PRIVATE ${KSHOST_ICONS_OUT}/qrc_hosticons.cpp)

# Not part of the build: `cmake --build <dir> --target hosticons_sheet` writes every icon on a dark and
# a light background to <dir>/hosticons-sheet.png for review.
add_custom_target(hosticons_sheet
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
        $<TARGET_FILE:kshost_svgrender> --sheet ${CMAKE_BINARY_DIR}/hosticons-sheet.png
        ${KSHOST_ICONS_DIR}/icons.json
    DEPENDS kshost_svgrender ${KSHOST_ICON_SOURCES}
    VERBATIM)

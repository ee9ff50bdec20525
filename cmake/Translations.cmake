# Translation catalogs: translations/<catalog>_<language>.ts are written by hand (Qt Linguist or an
# editor) and committed; `update_translations` brings them up to date with the sources (lupdate), and
# every build compiles them (lrelease) into resources under ":/i18n/<catalog>_<language>.qm" of the
# target that shows the texts.
#
# The build never runs lupdate: qt5_create_translation would declare the committed .ts files as build
# outputs, so every build rewrites them and `clean` deletes them.
find_package(Qt5 5.15 REQUIRED COMPONENTS LinguistTools)

set(KSCD_TRANSLATIONS_DIR "${PROJECT_SOURCE_DIR}/translations")
# No line numbers and no dropped texts kept around: a .ts changes only when a text does.
set(KSCD_LUPDATE_OPTIONS -no-obsolete -locations none)

add_custom_target(update_translations)

# kscd_add_translations(<target> CATALOG <name> LANGUAGES <lang>... SOURCES <dir or file>...)
# Compiles translations/<name>_<lang>.ts into <target>'s resources and adds <name> to
# update_translations. The .qm files go into an object library linked into <target>, so the call may
# come from another directory than the target's (the apps are added before their catalogs).
function(kscd_add_translations target)
    cmake_parse_arguments(ARG "" "CATALOG" "LANGUAGES;SOURCES" ${ARGN})
    if(NOT ARG_CATALOG OR NOT ARG_LANGUAGES OR NOT ARG_SOURCES)
        message(FATAL_ERROR "kscd_add_translations(${target}): CATALOG, LANGUAGES and SOURCES are required")
    endif()
    set(outdir "${CMAKE_CURRENT_BINARY_DIR}/i18n")
    set(ts_files)
    set(qm_files)
    set(qrc_entries)
    foreach(lang IN LISTS ARG_LANGUAGES)
        set(ts "${KSCD_TRANSLATIONS_DIR}/${ARG_CATALOG}_${lang}.ts")
        set(qm "${outdir}/${ARG_CATALOG}_${lang}.qm")
        list(APPEND ts_files "${ts}")
        list(APPEND qm_files "${qm}")
        string(APPEND qrc_entries "        <file alias=\"${ARG_CATALOG}_${lang}.qm\">${qm}</file>\n")
        add_custom_command(OUTPUT "${qm}"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${outdir}"
            COMMAND Qt5::lrelease -silent "${ts}" -qm "${qm}"
            DEPENDS "${ts}"
            COMMENT "Compiling ${ARG_CATALOG}_${lang}.ts"
            VERBATIM)
    endforeach()

    set(qrc "${outdir}/${ARG_CATALOG}_i18n.qrc")
    # Written only when it changes, so a new configure run rebuilds nothing.
    set(qrc_content "<RCC>\n    <qresource prefix=\"/i18n\">\n${qrc_entries}    </qresource>\n</RCC>\n")
    set(qrc_old "")
    if(EXISTS "${qrc}")
        file(READ "${qrc}" qrc_old)
    endif()
    if(NOT qrc_old STREQUAL qrc_content)
        file(WRITE "${qrc}" "${qrc_content}")
    endif()
    qt5_add_resources(resources "${qrc}")
    add_library(${target}_i18n OBJECT ${resources})
    set_target_properties(${target}_i18n PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF)
    target_link_libraries(${target}_i18n PRIVATE Qt5::Core)
    target_link_libraries(${target} PRIVATE ${target}_i18n)

    # Sources may be folders (lupdate scans them) or files; relative to the calling directory.
    set(sources)
    foreach(source IN LISTS ARG_SOURCES)
        get_filename_component(source "${source}" ABSOLUTE)
        list(APPEND sources "${source}")
    endforeach()
    add_custom_target(update_translations_${ARG_CATALOG}
        COMMAND Qt5::lupdate ${KSCD_LUPDATE_OPTIONS} ${sources} -ts ${ts_files}
        WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
        COMMENT "Updating translations/${ARG_CATALOG}_*.ts from the sources"
        VERBATIM)
    add_dependencies(update_translations update_translations_${ARG_CATALOG})

    # The catalog test runs lupdate over the same sources with the same options.
    set_property(GLOBAL APPEND PROPERTY KSCD_TRANSLATION_CATALOGS "${ARG_CATALOG}")
    set_property(GLOBAL PROPERTY KSCD_TRANSLATION_${ARG_CATALOG}_SOURCES "${sources}")
    set_property(GLOBAL PROPERTY KSCD_TRANSLATION_${ARG_CATALOG}_LANGUAGES "${ARG_LANGUAGES}")
endfunction()

# kscd_write_translation_manifest(<file>): writes, as JSON, lupdate's path and options and every
# catalog with its sources and languages, for tests that check the catalogs against the sources.
function(kscd_write_translation_manifest file)
    get_property(catalogs GLOBAL PROPERTY KSCD_TRANSLATION_CATALOGS)
    set(entries)
    foreach(catalog IN LISTS catalogs)
        get_property(sources GLOBAL PROPERTY KSCD_TRANSLATION_${catalog}_SOURCES)
        get_property(languages GLOBAL PROPERTY KSCD_TRANSLATION_${catalog}_LANGUAGES)
        list(JOIN sources "\", \"" sources_json)
        list(JOIN languages "\", \"" languages_json)
        list(APPEND entries
            "    {\"name\": \"${catalog}\", \"sources\": [\"${sources_json}\"], \"languages\": [\"${languages_json}\"]}")
    endforeach()
    list(JOIN entries ",\n" entries_json)
    list(JOIN KSCD_LUPDATE_OPTIONS "\", \"" options_json)
    file(GENERATE OUTPUT "${file}" CONTENT "{\n\"lupdate\": \"$<TARGET_FILE:Qt5::lupdate>\",
\"options\": [\"${options_json}\"],
\"translations\": \"${KSCD_TRANSLATIONS_DIR}\",
\"catalogs\": [\n${entries_json}\n]\n}\n")
endfunction()

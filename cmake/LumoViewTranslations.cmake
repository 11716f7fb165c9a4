# Translations: the .ts sources live in the repository, the .qm files are
# built with the Debian Qt tools and embedded as resources under :/i18n.
find_package(Qt5LinguistTools 5.15 REQUIRED)

# lumoview_add_translations(TARGET RESOURCE_NAME TS_FILES... SOURCES DIRS...)
# Compiles TS_FILES into the resource RESOURCE_NAME of TARGET and adds the
# target update_translations_<RESOURCE_NAME>, which refreshes the .ts files
# from the source directories DIRS with lupdate.
function(lumoview_add_translations target resource_name)
    cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
    set(ts_files ${ARG_UNPARSED_ARGUMENTS})
    qt5_add_translation(qm_files ${ts_files})

    set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${resource_name}.qrc)
    set(content "<RCC>\n  <qresource prefix=\"/i18n\">\n")
    foreach(qm ${qm_files})
        get_filename_component(name ${qm} NAME)
        string(APPEND content "    <file alias=\"${name}\">${qm}</file>\n")
    endforeach()
    string(APPEND content "  </qresource>\n</RCC>\n")
    file(WRITE ${qrc} "${content}")

    set(cpp ${CMAKE_CURRENT_BINARY_DIR}/qrc_${resource_name}.cpp)
    add_custom_command(OUTPUT ${cpp}
        COMMAND Qt5::rcc --name ${resource_name} --output ${cpp} ${qrc}
        DEPENDS ${qm_files} ${qrc}
        VERBATIM)
    set_source_files_properties(${cpp} PROPERTIES GENERATED ON SKIP_AUTOGEN ON)
    target_sources(${target} PRIVATE ${cpp})

    if(ARG_SOURCES)
        add_custom_target(update_translations_${resource_name}
            COMMAND Qt5::lupdate -no-obsolete -locations none ${ARG_SOURCES} -ts ${ts_files}
            WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
            VERBATIM)
    endif()
endfunction()

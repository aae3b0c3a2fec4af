# The language files beside the executables: data/languages/*.lng -> ${QUORVEL_BIN_DIR}/languages/
file(GLOB language_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/languages/*.lng)
set(language_outputs)
foreach(source ${language_files})
    get_filename_component(name ${source} NAME)
    set(target_file ${QUORVEL_BIN_DIR}/languages/${name})
    add_custom_command(OUTPUT ${target_file}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_BIN_DIR}/languages
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${target_file}
        DEPENDS ${source}
        COMMENT "Copying language file ${name}")
    list(APPEND language_outputs ${target_file})
endforeach()
add_custom_target(quorvel_languages ALL DEPENDS ${language_outputs})

# Every readable source data/src/<name>.txt becomes ${QUORVEL_BIN_DIR}/data/<name>.dat, packed by
# datapack at build time.
file(GLOB dat_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.txt)
set(dat_outputs)
foreach(source IN LISTS dat_sources)
    get_filename_component(name ${source} NAME_WE)
    set(output ${QUORVEL_BIN_DIR}/data/${name}.dat)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_BIN_DIR}/data
        COMMAND datapack pack ${source} ${output}
        DEPENDS ${source} datapack
        COMMENT "Packing data/${name}.dat"
        VERBATIM)
    list(APPEND dat_outputs ${output})
endforeach()
add_custom_target(quorvel_data ALL DEPENDS ${dat_outputs})

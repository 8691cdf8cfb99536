# Debian installs manual pages and changelogs compressed with "gzip -9n": no name
# and no time stamp in the header, so that every build gives the same bytes.
# Compressed at configure time; editing the source runs the configuration again.
function(install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
    execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${compressed} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Cannot compress ${source} with gzip")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    install(FILES ${compressed} DESTINATION ${destination})
endfunction()

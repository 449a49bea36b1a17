# `cmake --install <build> --prefix <dir>`: the desktop tools and what they need.
#   bin/fixtrail-decode, bin/fixtrail-sim      the tools
#   libexec/fixtrail/fixtrail                  the application that `fixtrail-sim run` starts
#   share/fixtrail/skin/                       the sample skin that `fixtrail-sim run` installs
#   share/man/man1/fixtrail-{decode,sim}.1     their manual pages, made from --help by help2man
install(TARGETS fixtrail-decode fixtrail-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS fixtrail RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/fixtrail)
install(DIRECTORY ${CMAKE_BINARY_DIR}/skin-root/skin/ DESTINATION ${CMAKE_INSTALL_DATADIR}/fixtrail/skin)

# help2man runs the tools, so a cross build (whose tools the host cannot run) has no pages.
if(NOT CMAKE_CROSSCOMPILING)
    find_program(HELP2MAN help2man REQUIRED)
    set(man_dir ${CMAKE_BINARY_DIR}/man)
    set(man_pages)
    foreach(entry "fixtrail-decode|turn a raw NMEA recording into the log a capture writes"
                  "fixtrail-sim|the simulated fixtrail device")
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 tool)
        list(GET entry 1 summary)
        add_custom_command(
            OUTPUT ${man_dir}/${tool}.1
            COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
            COMMAND ${HELP2MAN} --no-info --section=1 --name=${summary}
                    --output=${man_dir}/${tool}.1 $<TARGET_FILE:${tool}>
            DEPENDS ${tool}
            COMMENT "Manual page ${tool}.1 from ${tool} --help"
            VERBATIM)
        list(APPEND man_pages ${man_dir}/${tool}.1)
    endforeach()
    add_custom_target(fixtrail-man ALL DEPENDS ${man_pages})
    install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

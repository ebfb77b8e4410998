# The manual page of skyloom-render, made from its own --help at build time (help2man), so
# that the page and the program never disagree; installed in man1. Without help2man the
# build goes on without the page.
find_program(SKYLOOM_HELP2MAN help2man)
if(SKYLOOM_HELP2MAN)
    set(SKYLOOM_RENDER_MAN ${CMAKE_BINARY_DIR}/skyloom-render.1)
    add_custom_command(
        OUTPUT ${SKYLOOM_RENDER_MAN}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                ${SKYLOOM_HELP2MAN} --no-info --no-discard-stderr --section=1
                --version-string=${PROJECT_VERSION}
                "--name=paint space scenes into a picture from the command line"
                --output=${SKYLOOM_RENDER_MAN} $<TARGET_FILE:skyloom-render>
        DEPENDS skyloom-render
        COMMENT "Making the manual page of skyloom-render from its --help"
        VERBATIM)
    add_custom_target(skyloom-render-man ALL DEPENDS ${SKYLOOM_RENDER_MAN})
    install(FILES ${SKYLOOM_RENDER_MAN} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(STATUS "help2man not found: skyloom-render gets no manual page")
endif()

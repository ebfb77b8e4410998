# The help files (help/skyhelp.htm and help/readme.rtf) sit in a "help" folder beside the
# programs, where Help Contents looks for them. skyloom_help copies them into the top of
# the build tree; skyloom_place_help() puts them beside a program built elsewhere.

set(SKYLOOM_HELP_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/help)
set(SKYLOOM_HELP_DIR ${CMAKE_BINARY_DIR}/help)
set(SKYLOOM_HELP_FILES skyhelp.htm readme.rtf)

set(SKYLOOM_HELP_OUTPUTS)
foreach(file IN LISTS SKYLOOM_HELP_FILES)
    add_custom_command(
        OUTPUT ${SKYLOOM_HELP_DIR}/${file}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${SKYLOOM_HELP_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SKYLOOM_HELP_SOURCE_DIR}/${file}
                ${SKYLOOM_HELP_DIR}/${file}
        DEPENDS ${SKYLOOM_HELP_SOURCE_DIR}/${file}
        COMMENT "Copying help/${file}"
        VERBATIM)
    list(APPEND SKYLOOM_HELP_OUTPUTS ${SKYLOOM_HELP_DIR}/${file})
endforeach()
add_custom_target(skyloom_help ALL DEPENDS ${SKYLOOM_HELP_OUTPUTS})

function(skyloom_place_help target)
    skyloom_place_beside(${target} skyloom_help ${SKYLOOM_HELP_DIR} help)
endfunction()

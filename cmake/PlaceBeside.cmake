# Folders the programs find beside themselves (help, Textures/Galaxy, Library) are made in
# the top of the build tree, where the programs are built. A program built in another folder
# (a test) gets a copy of folder, made by builder, after each build, under the name subfolder.
function(skyloom_place_beside target builder folder subfolder)
    add_dependencies(${target} ${builder})
    get_target_property(output ${target} RUNTIME_OUTPUT_DIRECTORY)
    if(NOT output STREQUAL CMAKE_BINARY_DIR)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_directory ${folder}
                    "$<TARGET_FILE_DIR:${target}>/${subfolder}"
            VERBATIM)
    endif()
endfunction()

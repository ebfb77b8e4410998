# The "Library" folder beside the programs, where Paste File starts: small pictures of our
# own, painted at build time by skyloom-render from fixed seeds, so they are the same on
# every build and nothing binary is kept in the sources.
set(SKYLOOM_LIBRARY_DIR ${CMAKE_BINARY_DIR}/Library)
set(SKYLOOM_LIBRARY_OUTPUTS)

# skyloom_library_picture(<file name> <WxH> <skyloom-render steps...>)
function(skyloom_library_picture name size)
    set(output "${SKYLOOM_LIBRARY_DIR}/${name}")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -E make_directory ${SKYLOOM_LIBRARY_DIR}
        COMMAND skyloom-render --size ${size} ${ARGN} -o "${output}"
        DEPENDS skyloom-render
        COMMENT "Painting Library/${name}"
        VERBATIM)
    set(SKYLOOM_LIBRARY_OUTPUTS ${SKYLOOM_LIBRARY_OUTPUTS} "${output}" PARENT_SCOPE)
endfunction()

skyloom_library_picture("Red giant.bmp" 96x96
    --effect Star --rect 8,8,88,88 --seed 101 --set ColorLow=ff5020)
skyloom_library_picture("Blue star.bmp" 64x64
    --effect Star --rect 4,4,60,60 --seed 102 --set ColorLow=60a0ff)
skyloom_library_picture("Crimson nebula.bmp" 160x120
    --effect Nebula --rect 0,0,160,120 --seed 103)
skyloom_library_picture("Blue nebula.bmp" 160x120
    --effect Nebula --rect 0,0,160,120 --seed 104 --set ColorHigh=40c0ff --set ColorLow=3020ff)
skyloom_library_picture("Globular cluster.bmp" 128x128
    --effect Cluster --rect 0,0,128,128 --seed 105)
skyloom_library_picture("Lens flare.bmp" 128x128
    --effect "Lens Flare" --rect 0,0,128,128 --seed 106)
skyloom_library_picture("Vortex.bmp" 128x128
    --effect Vortex --rect 0,0,128,128 --seed 107)

add_custom_target(skyloom_library ALL DEPENDS ${SKYLOOM_LIBRARY_OUTPUTS})

# The galaxy textures are drawn by a small program of ours at build time: the gas and dust
# bitmaps become the engine's bitmap resources 168 to 171 and 173, "Loose spiral.jpg" goes
# into the resources too and into a Textures/Galaxy folder that
# skyloom_place_galaxy_textures() puts beside a program (and the install puts in
# share/skyloom), where bare texture names are looked up.

add_executable(skyloom_make_textures tools/MakeGalaxyTextures.cpp)
target_link_libraries(skyloom_make_textures PRIVATE JPEG::JPEG)

set(SKYLOOM_GALAXY_BITMAP_DIR ${CMAKE_BINARY_DIR}/res/bitmap)
set(SKYLOOM_GALAXY_TEXTURE_DIR ${CMAKE_BINARY_DIR}/Textures/Galaxy)
set(SKYLOOM_GALAXY_BITMAPS
    ${SKYLOOM_GALAXY_BITMAP_DIR}/168.bmp
    ${SKYLOOM_GALAXY_BITMAP_DIR}/169.bmp
    ${SKYLOOM_GALAXY_BITMAP_DIR}/170.bmp
    ${SKYLOOM_GALAXY_BITMAP_DIR}/171.bmp
    ${SKYLOOM_GALAXY_BITMAP_DIR}/173.bmp)
set(SKYLOOM_LOOSE_SPIRAL "${SKYLOOM_GALAXY_TEXTURE_DIR}/Loose spiral.jpg")

add_custom_command(
    OUTPUT ${SKYLOOM_GALAXY_BITMAPS} ${SKYLOOM_LOOSE_SPIRAL}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SKYLOOM_GALAXY_BITMAP_DIR} ${SKYLOOM_GALAXY_TEXTURE_DIR}
    COMMAND skyloom_make_textures ${SKYLOOM_GALAXY_BITMAP_DIR} ${SKYLOOM_LOOSE_SPIRAL}
    DEPENDS skyloom_make_textures
    COMMENT "Drawing the galaxy textures"
    VERBATIM)
add_custom_target(skyloom_galaxy_textures ALL DEPENDS ${SKYLOOM_GALAXY_BITMAPS} ${SKYLOOM_LOOSE_SPIRAL})

# Bitmap resources live at :/res/bitmap/<id>.bmp (BitmapResourcePath).
qt_add_resources(skyloom_engine skyloom_galaxy_bitmaps
    PREFIX /res/bitmap
    BASE ${SKYLOOM_GALAXY_BITMAP_DIR}
    FILES ${SKYLOOM_GALAXY_BITMAPS})

# The built-in gas texture is compiled in as well (":/Textures/Galaxy/Loose spiral.jpg"):
# the default galaxy never depends on the folder being in its place.
qt_add_resources(skyloom_engine skyloom_galaxy_gas
    PREFIX /Textures/Galaxy
    BASE ${SKYLOOM_GALAXY_TEXTURE_DIR}
    FILES ${SKYLOOM_LOOSE_SPIRAL})

# Puts Textures/Galaxy next to the executable of target: a program in the top of the build
# tree finds the folder the textures are drawn into; others get a copy after each build.
function(skyloom_place_galaxy_textures target)
    skyloom_place_beside(${target} skyloom_galaxy_textures ${SKYLOOM_GALAXY_TEXTURE_DIR}
                         Textures/Galaxy)
endfunction()

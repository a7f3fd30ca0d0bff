# The fonts, rendered at build time by `tobex font` from free designs that
# scripts/setup.sh installs: the system font "Graphics/SysFont7x14.tga" from the
# 7 x 14 misc-fixed bitmap font (xfonts-base), characters 32..255, and the
# anti-aliased "Graphics/Sans12.tga" from DejaVu Sans at 12 pixels
# (fonts-dejavu-core). Nothing generated is committed.
#
# The sheets are staged under TOBEX_FONT_STAGE with their names in the data
# archive, so an archive packs them by copying that folder into its own stage.
# A packing rule lists ${TOBEX_FONT_FILES} in its DEPENDS and its target depends
# on the `fonts` target. Included from the top-level CMakeLists.txt before the
# subdirectories, so every one of them sees these variables.
find_file(TOBEX_FIXED_FONT 7x14.pcf.gz PATHS /usr/share/fonts/X11/misc NO_DEFAULT_PATH)
find_file(TOBEX_SANS_FONT DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu NO_DEFAULT_PATH)
if(NOT TOBEX_FIXED_FONT OR NOT TOBEX_SANS_FONT)
  message(FATAL_ERROR "The font designs are missing: run scripts/setup.sh (xfonts-base, fonts-dejavu-core)")
endif()

set(TOBEX_FONT_STAGE ${CMAKE_BINARY_DIR}/data/fonts)
set(TOBEX_SYSFONT_SHEET ${TOBEX_FONT_STAGE}/Graphics/SysFont7x14.tga)
set(TOBEX_SANSFONT_SHEET ${TOBEX_FONT_STAGE}/Graphics/Sans12.tga)
set(TOBEX_FONT_FILES ${TOBEX_SYSFONT_SHEET} ${TOBEX_SANSFONT_SHEET})

add_custom_command(
  OUTPUT ${TOBEX_FONT_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TOBEX_FONT_STAGE}/Graphics
  COMMAND $<TARGET_FILE:tobex> font ${TOBEX_FIXED_FONT} --size 14 --columns 14 ${TOBEX_SYSFONT_SHEET}
  COMMAND $<TARGET_FILE:tobex> font ${TOBEX_SANS_FONT} --size 12 ${TOBEX_SANSFONT_SHEET}
  DEPENDS tobex ${TOBEX_FIXED_FONT} ${TOBEX_SANS_FONT}
  COMMENT "Rendering the font sheets"
  VERBATIM)
add_custom_target(fonts ALL DEPENDS ${TOBEX_FONT_FILES})

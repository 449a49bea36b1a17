# The sample skin, assembled in the build tree as a ready skin root:
#   ${CMAKE_BINARY_DIR}/skin-root/skin/  BMP images and font description files from data/skin/
#                                        (drawn by scripts/make-skin.py), and the TrueType
#                                        fonts the description files name, with their
#                                        licence (DejaVuFonts-LICENSE.txt), which must travel
#                                        with every copy of them.
# The fonts come from Debian's fonts-dejavu-core and are copied, never committed. Without them
# the skin still works: the fonts fall back to the built-in fixed font.
set(FIXTRAIL_SKIN_FONT_DIR /usr/share/fonts/truetype/dejavu CACHE PATH
    "Where the sample skin's TrueType fonts are taken from")
set(FIXTRAIL_SKIN_FONT_LICENSE /usr/share/doc/fonts-dejavu-core/copyright CACHE FILEPATH
    "The licence of the sample skin's TrueType fonts")

set(skin_source ${PROJECT_SOURCE_DIR}/data/skin)
set(skin_target ${CMAKE_BINARY_DIR}/skin-root/skin)
file(GLOB skin_files CONFIGURE_DEPENDS ${skin_source}/*.bmp ${skin_source}/*.txt)

# The fonts the description files name ("DejaVuSans-Bold 14" needs DejaVuSans-Bold.ttf).
set(skin_fonts)
foreach(description ${skin_files})
    if(description MATCHES "\\.txt$")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${description})
        file(STRINGS ${description} first_line LIMIT_COUNT 1)
        string(REGEX MATCH "^[^ \t]+" font_name "${first_line}")
        set(font_file ${FIXTRAIL_SKIN_FONT_DIR}/${font_name}.ttf)
        if(EXISTS ${font_file})
            list(APPEND skin_fonts ${font_file})
        else()
            message(WARNING "Sample skin: ${font_file} not found (apt-get install "
                            "fonts-dejavu-core); the skin falls back to the fixed font")
        endif()
    endif()
endforeach()
list(REMOVE_DUPLICATES skin_fonts)
set(skin_license_commands)
set(skin_license_outputs)
if(skin_fonts)
    if(NOT EXISTS ${FIXTRAIL_SKIN_FONT_LICENSE})
        message(FATAL_ERROR "Sample skin: the fonts' licence ${FIXTRAIL_SKIN_FONT_LICENSE} "
                            "not found; the fonts may not be copied without it")
    endif()
    set(skin_license_outputs ${skin_target}/DejaVuFonts-LICENSE.txt)
    set(skin_license_commands COMMAND ${CMAKE_COMMAND} -E copy ${FIXTRAIL_SKIN_FONT_LICENSE}
                              ${skin_license_outputs})
endif()

# Every copied file is an output, so that a file removed from the build tree comes back.
set(skin_outputs)
foreach(file ${skin_files} ${skin_fonts})
    get_filename_component(name ${file} NAME)
    list(APPEND skin_outputs ${skin_target}/${name})
endforeach()
add_custom_command(
    OUTPUT ${skin_outputs} ${skin_license_outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${skin_target}
    COMMAND ${CMAKE_COMMAND} -E copy ${skin_files} ${skin_fonts} ${skin_target}
    ${skin_license_commands}
    DEPENDS ${skin_files} ${skin_fonts}
    COMMENT "Assembling the sample skin in ${skin_target}"
    VERBATIM)
add_custom_target(fixtrail-skin ALL DEPENDS ${skin_outputs} ${skin_license_outputs})

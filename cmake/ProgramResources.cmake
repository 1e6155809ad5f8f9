# What Windows shows of each program of the Windows build: its icon (the editions'), its version
# information and its application manifest. Each program gets a resource script of its own, made
# from resources/program.rc.in, compiled into an object library <program>_resources that the
# program links.

find_program(KC_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(KC_ICOTOOL icotool REQUIRED)

# The version the written file names as the connected program's (ReportWriter, IDS_VERSION).
set(KC_PROGRAM_VERSION 22.03.00)
set(KC_PROGRAM_VERSION_NUMBERS 22,3,0,0)
set(KC_PROGRAM_COMPANY "決算書 link プロジェクト")
set(KC_PROGRAM_COPYRIGHT "© 2026 決算書 link プロジェクト")
set(KC_PROGRAM_MANIFEST ${CMAKE_SOURCE_DIR}/resources/program.manifest)

# kc_program_icon(SVG ICO): the rule that draws SVG at the sizes Windows asks for (the small
# caption icon, the taskbar and Explorer's views up to 256) and packs them into ICO, the largest
# as PNG, as Windows keeps it.
function(kc_program_icon svg ico)
  get_filename_component(dir ${ico} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  set(sizes 16 24 32 48 256)
  set(draw)
  foreach(size ${sizes})
    list(APPEND draw COMMAND ${KC_RSVG_CONVERT} -w ${size} -h ${size} -o icon-${size}.png ${svg})
  endforeach()
  add_custom_command(OUTPUT ${ico}
                     ${draw}
                     COMMAND ${KC_ICOTOOL} -c -o ${ico} icon-16.png icon-24.png icon-32.png
                             icon-48.png --raw=icon-256.png
                     WORKING_DIRECTORY ${dir}
                     DEPENDS ${svg}
                     COMMENT "Drawing ${ico}"
                     VERBATIM)
endfunction()

# kc_program_resources(PROGRAM PRODUCT name DESCRIPTION text [ICON svg] [TEMPLATES]
#                      [DIALOGS script]): the object library PROGRAM_resources with the program's
# version information and manifest, its icon when ICON names one, the dialog templates of
# resources/kessan.rc with TEMPLATES, and those of the script DIALOGS names (in resources/).
function(kc_program_resources program)
  cmake_parse_arguments(PARSE_ARGV 1 arg "TEMPLATES" "PRODUCT;DESCRIPTION;ICON;DIALOGS" "")
  set(dir ${CMAKE_BINARY_DIR}/resources/${program})
  set(depends ${KC_PROGRAM_MANIFEST} ${CMAKE_SOURCE_DIR}/resources/ResourceIds.h)

  set(KC_PROGRAM ${program})
  set(KC_PRODUCT "${arg_PRODUCT}")
  set(KC_DESCRIPTION "${arg_DESCRIPTION}")
  set(KC_VERSION ${KC_PROGRAM_VERSION})
  set(KC_VERSION_NUMBERS ${KC_PROGRAM_VERSION_NUMBERS})
  set(KC_COMPANY "${KC_PROGRAM_COMPANY}")
  set(KC_COPYRIGHT "${KC_PROGRAM_COPYRIGHT}")
  set(KC_MANIFEST ${KC_PROGRAM_MANIFEST})
  set(KC_RC_TEMPLATES "")
  if(arg_TEMPLATES)
    set(KC_RC_TEMPLATES "#include \"resources/kessan.rc\"\n")
    list(APPEND depends ${CMAKE_SOURCE_DIR}/resources/kessan.rc)
  endif()
  if(arg_DIALOGS)
    string(APPEND KC_RC_TEMPLATES "#include \"resources/${arg_DIALOGS}\"\n")
    list(APPEND depends ${CMAKE_SOURCE_DIR}/resources/${arg_DIALOGS})
  endif()
  set(KC_RC_ICON "")
  if(arg_ICON)
    kc_program_icon(${arg_ICON} ${dir}/program.ico)
    set(KC_RC_ICON "LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL\nIDI_PROGRAM ICON \"${dir}/program.ico\"\n")
    list(APPEND depends ${dir}/program.ico)
  endif()

  configure_file(${CMAKE_SOURCE_DIR}/resources/program.rc.in ${dir}/program.rc @ONLY)
  set_source_files_properties(${dir}/program.rc PROPERTIES OBJECT_DEPENDS "${depends}")
  add_library(${program}_resources OBJECT ${dir}/program.rc)
  # The script includes the templates and the resource IDs as "resources/...".
  target_link_libraries(${program}_resources PRIVATE kc_resource_ids)
endfunction()

# One edition's zip, everything a Windows user needs to start from nothing:
#
#   EDITION\          the program, ZezavareDef.ini, SUPPORT.INF and a kcbooks.ini to fill in
#   kcbooks.exe       the books tool
#   kcview.exe        the review page and checks of an exported file (a file is dropped on it)
#   kcoffice.exe      the office's year-end of every client due in a month (a console command,
#                     or a clients' folder dropped on it)
#   サンプル帳簿\     the sample books
#   guide\            the guide as HTML pages, index.html first (cmake/Guide.cmake)
#   README.txt        the three steps: import the books, point kcbooks.ini at them, start
#
#   cmake -DDIST=DIR -DEDITION=NAME -DVERSION=V -DSOURCE=DIR -DWORK=DIR -DZIP=FILE
#         -P cmake/PackEdition.cmake
#
# DIST is the Windows build's dist folder, SOURCE the repository, WORK an empty folder to lay the
# zip out in (made anew). The texts are kept as UTF-8 with LF in resources/package/ and packed
# as a Windows user's Notepad and the program read them: Shift_JIS (CP932) with CR LF. Names in
# the zip are UTF-8, flagged as such (Explorer of Windows 10 and later, 7-Zip).
cmake_minimum_required(VERSION 3.25)

foreach(variable DIST EDITION VERSION SOURCE WORK ZIP)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "PackEdition.cmake: -D${variable}=… is missing")
  endif()
endforeach()

find_program(ICONV iconv REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/Guide.cmake)
set(sample_folder "サンプル帳簿")

# `utf8` (a file of UTF-8 text, removed after) as `out` in Shift_JIS. A character Shift_JIS
# cannot hold fails the packing rather than reaching the user as '?'.
function(to_shift_jis utf8 out what)
  execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 ${utf8}
                  OUTPUT_FILE ${out} RESULT_VARIABLE failed ERROR_VARIABLE why)
  file(REMOVE ${utf8})
  if(failed)
    message(FATAL_ERROR "${what}: not Shift_JIS: ${why}")
  endif()
endfunction()

# Shift_JIS with CR LF from a UTF-8 template, with @KC_…@ filled in.
function(windows_text template out)
  configure_file(${template} ${out}.utf8 @ONLY NEWLINE_STYLE CRLF)
  to_shift_jis(${out}.utf8 ${out} ${template})
endfunction()

# A copy of a UTF-8 text file in Shift_JIS with CR LF, nothing in it filled in. The sample books
# go to the user so: a spreadsheet on a Japanese system opens them readably, and saves the user's
# own books so.
function(windows_copy source out)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${out}.utf8 "${text}")
  to_shift_jis(${out}.utf8 ${out} ${source})
endfunction()

set(program_folder ${DIST}/${EDITION})
set(program_files ${EDITION}.exe ZezavareDef.ini SUPPORT.INF)
foreach(file ${program_files} ../kcbooks.exe ../kcview.exe ../kcoffice.exe)
  if(NOT EXISTS ${program_folder}/${file})
    message(FATAL_ERROR "PackEdition.cmake: ${program_folder}/${file} is missing: build first")
  endif()
endforeach()

# The product name the program itself reads, from its SUPPORT.INF.
include(${CMAKE_CURRENT_LIST_DIR}/EditionProduct.cmake)
kc_edition_product(${program_folder} KC_PRODUCT)
set(KC_EDITION ${EDITION})
set(KC_VERSION ${VERSION})

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/${EDITION})
foreach(file ${program_files})
  file(COPY ${program_folder}/${file} DESTINATION ${WORK}/${EDITION})
endforeach()
windows_text(${SOURCE}/resources/package/kcbooks.ini ${WORK}/${EDITION}/kcbooks.ini)
windows_text(${SOURCE}/resources/package/README.txt ${WORK}/README.txt)

set(entries ${EDITION} kcbooks.exe kcview.exe kcoffice.exe)
file(COPY ${DIST}/kcbooks.exe ${DIST}/kcview.exe ${DIST}/kcoffice.exe DESTINATION ${WORK})
file(GLOB_RECURSE sample_files RELATIVE ${SOURCE}/examples/sample-books
     ${SOURCE}/examples/sample-books/*)
foreach(file ${sample_files})
  get_filename_component(folder ${WORK}/${sample_folder}/${file} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  windows_copy(${SOURCE}/examples/sample-books/${file} ${WORK}/${sample_folder}/${file})
endforeach()
list(APPEND entries ${sample_folder} README.txt)
kc_guide(${SOURCE}/docs ${WORK}/guide)
list(APPEND entries guide)

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${entries}
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "PackEdition.cmake: packing ${ZIP} failed")
endif()

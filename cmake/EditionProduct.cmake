# kc_edition_product(FOLDER OUT): the product name an edition's program reads, from the 製品名
# line of the SUPPORT.INF in FOLDER (Shift_JIS); the packing fails when it names none.
find_program(ICONV iconv REQUIRED)

function(kc_edition_product folder out)
  execute_process(COMMAND ${ICONV} -f CP932 -t UTF-8 ${folder}/SUPPORT.INF
                  OUTPUT_VARIABLE support RESULT_VARIABLE failed)
  string(REGEX MATCH "\\[=製品名=\\]([^\r\n]*)" found "${support}")
  if(failed OR NOT found)
    message(FATAL_ERROR "${folder}/SUPPORT.INF names no product")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# kcbooks export-journal end to end: the sample books written in the journal interchange form,
# in Shift_JIS and in UTF-8, with their opening balances; a target that is or will be another
# file of the run (the store, the other target) or a bad data number is refused and leaves every
# file as it was.
# cmake -DKCBOOKS=... -DSAMPLE=... -DWORK=... [-DEMULATOR=...] -P export_journal_e2e.cmake
if(EMULATOR)
  set(KCBOOKS ${EMULATOR} ${KCBOOKS})
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../lib/e2e.cmake)

function(refused expected)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "${expected}")
    message(FATAL_ERROR "${ARGN}: expected a refusal matching \"${expected}\", got ${rc}:\n${err}")
  endif()
endfunction()

function(expect_in file text)
  file(READ ${file} content)
  string(FIND "${content}" "${text}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${file} does not hold \"${text}\"")
  endif()
endfunction()

run(${KCBOOKS} import ${SAMPLE} ${WORK}/sample.books)
run(${KCBOOKS} export-journal ${WORK}/sample.books -o ${WORK}/journal.csv
    --openings ${WORK}/openings.csv)
if(NOT OUT MATCHES "184 entries in 337 lines" OR NOT OUT MATCHES "40 opening balances"
   OR NOT OUT MATCHES "4 amounts held a fraction of a yen")
  message(FATAL_ERROR "export-journal reported:\n${OUT}")
endif()
run(${KCBOOKS} export-journal ${WORK}/sample.books -o ${WORK}/journal-utf8.csv
    --openings ${WORK}/openings-utf8.csv --encoding utf-8)

# Both files hold the interim settlement mark in their encoding, and end their rows with CR LF
# (file(READ) as text drops the CRs).
file(READ ${WORK}/journal.csv sjis HEX)
file(READ ${WORK}/journal-utf8.csv utf8 HEX)
string(REGEX REPLACE "(..)" "\\1 " bytes "${sjis}")
string(REGEX MATCHALL "0d 0a " crlf "${bytes}")
list(LENGTH crlf rows)
if(NOT rows EQUAL 337 OR NOT sjis MATCHES "0d0a$")
  message(FATAL_ERROR "journal.csv has ${rows} rows ending in CR LF, not 337")
endif()
# 中決 in Shift_JIS: 92 86 8C 88; in UTF-8: e4 b8 ad e6 b1 ba.
foreach(pair "${sjis};9286,8c88" "${utf8};e4b8ad,e6b1ba")
  list(GET pair 0 bytes)
  list(GET pair 1 mark)
  string(REPLACE "," "" mark "${mark}")
  string(FIND "${bytes}" "2c${mark}2c" at)
  if(at LESS 0)
    message(FATAL_ERROR "no interim settlement mark (${mark}) in an exported journal")
  endif()
endforeach()
expect_in(${WORK}/journal-utf8.csv
  "2000,16,,20250509,広告宣伝費,,,課対仕入内10%,385000,35000,未払金,,,対象外,385000,0,\"展示会出展費用, 産業機械フェア2025 ブース装飾含む\",,,,,,,,")
expect_in(${WORK}/journal-utf8.csv "\n2101,171,本決,20260331,製品,,,対象外,2650000,0,")
expect_in(${WORK}/openings-utf8.csv "20250401,減価償却累計額,貸方,,,16800000\n")
file(READ ${WORK}/openings-utf8.csv openings)
if(openings MATCHES "繰越利益")
  message(FATAL_ERROR "the opening balances name 繰越利益:\n${openings}")
endif()

# An entry whose lines carry two dates goes as a voucher per date where each date balances; where
# a date does not, the export is refused, names the entry and writes nothing.
file(COPY ${SAMPLE}/ DESTINATION ${WORK}/dated)
file(APPEND ${WORK}/dated/journal.csv
  "SAKURA,185,185,1,20250430,,,11100000,1000,,41100000,1000,,\n"
  "SAKURA,185,185,2,20250501,,,11100000,500,,41100000,500,,\n")
run(${KCBOOKS} import ${WORK}/dated ${WORK}/dated.books)
run(${KCBOOKS} export-journal ${WORK}/dated.books -o ${WORK}/dated.csv --encoding utf-8)
if(NOT OUT MATCHES "185 entries in 339 lines" OR NOT OUT MATCHES "1 entries carry lines of several dates")
  message(FATAL_ERROR "export-journal of an entry of two dates reported:\n${OUT}")
endif()
expect_in(${WORK}/dated.csv "\n2000,185,,20250430,現金,,,対象外,1000,0,製品売上高,")
expect_in(${WORK}/dated.csv "\n2000,185,,20250501,現金,,,対象外,500,0,製品売上高,")
file(COPY ${SAMPLE}/ DESTINATION ${WORK}/undated)
file(APPEND ${WORK}/undated/journal.csv
  "SAKURA,185,185,1,20250430,,,11100000,1000,,,,,\n"
  "SAKURA,185,185,2,20250501,,,,,,41100000,1000,,\n")
run(${KCBOOKS} import ${WORK}/undated ${WORK}/undated.books)
file(WRITE ${WORK}/kept.csv "as it was\n")
refused("data set SAKURA, entry 185 \\(voucher 185\\): its lines are dated 20250430, 20250501"
        ${KCBOOKS} export-journal ${WORK}/undated.books -o ${WORK}/kept.csv)

# A summary that cannot be written fails the command, though the file is in place.
if(EXISTS /dev/full AND NOT EMULATOR)
  execute_process(COMMAND ${KCBOOKS} export-journal ${WORK}/dated.books -o ${WORK}/full.csv
                  OUTPUT_FILE /dev/full RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "the summary cannot be written" OR NOT EXISTS ${WORK}/full.csv)
    message(FATAL_ERROR "export-journal with its summary into a full disk ended ${rc}: ${err}")
  endif()
endif()

# Refusals write nothing: the store is not replaced, an existing journal stays as it was, and
# no temporary is left beside either.
file(WRITE ${WORK}/kept.csv "as it was\n")
refused("is the books store" ${KCBOOKS} export-journal ${WORK}/sample.books -o ${WORK}/sample.books)
refused("no data set numbered 9" ${KCBOOKS} export-journal ${WORK}/sample.books
        -o ${WORK}/kept.csv --data 9)
refused("need files of their own" ${KCBOOKS} export-journal ${WORK}/sample.books
        -o ${WORK}/kept.csv --openings ${WORK}/kept.csv)
# A target that will be another file of the run is refused too: the openings under another
# spelling of a journal not written yet.
refused("new.csv: is the journal too; the journal and the opening balances need files of their own"
        ${KCBOOKS} export-journal ${WORK}/sample.books -o ${WORK}/new.csv
        --openings ${WORK}/./new.csv)
if(EXISTS ${WORK}/new.csv)
  message(FATAL_ERROR "a refused export wrote new.csv")
endif()
# The store under another name: a link to it.
if(NOT EMULATOR)
  file(CREATE_LINK ${WORK}/sample.books ${WORK}/link.books SYMBOLIC)
  refused("link.books: is the books store, which is not replaced" ${KCBOOKS} export-journal
          ${WORK}/sample.books -o ${WORK}/kept.csv --openings ${WORK}/link.books)
  file(REMOVE ${WORK}/link.books)
endif()
refused("not a books store" ${KCBOOKS} export-journal ${WORK}/journal.csv -o ${WORK}/kept.csv)
file(READ ${WORK}/kept.csv kept)
if(NOT kept STREQUAL "as it was\n")
  message(FATAL_ERROR "a refused export changed its target: ${kept}")
endif()
run(${KCBOOKS} show ${WORK}/sample.books)
# No temporary, and (but on Windows, where they stay hidden by design) no lock file.
file(GLOB left ${WORK}/~kc*.kctmp)
if(NOT EMULATOR)
  file(GLOB locks ${WORK}/.*.kclock)
  list(APPEND left ${locks})
endif()
if(left)
  message(FATAL_ERROR "export-journal left ${left}")
endif()
execute_process(COMMAND ${KCBOOKS} export-journal ${WORK}/sample.books RESULT_VARIABLE rc
                ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "export-journal STORE -o JOURNAL.csv")
  message(FATAL_ERROR "a missing -o did not print the usage (${rc}): ${err}")
endif()

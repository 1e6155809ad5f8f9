# kcbooks end to end: generated books and the sample books import, and their trial balances
# and balance sheets agree.
# Under Wine the tool runs through the emulator.
if(EMULATOR)
  set(KCBOOKS ${EMULATOR} ${KCBOOKS})
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../lib/e2e.cmake)

function(expect_balanced what)
  if(NOT OUT MATCHES "debits equal credits")
    message(FATAL_ERROR "${what}: the trial balance does not balance:\n${OUT}")
  endif()
  if(NOT OUT MATCHES ": balances")
    message(FATAL_ERROR "${what}: the balance sheet does not balance:\n${OUT}")
  endif()
endfunction()

foreach(variant plain tax)
  set(extra "")
  if(variant STREQUAL "tax")
    set(extra --tax-inclusive)
  endif()
  run(${KCBOOKS} generate ${WORK}/${variant} --entries 3000 --seed 7 ${extra})
  run(${KCBOOKS} import ${WORK}/${variant} ${WORK}/${variant}.books)
  run(${KCBOOKS} show ${WORK}/${variant}.books)
  expect_balanced("generated books (${variant})")
endforeach()

# Books of any fiscal year (an office's clients close in every month): the twelve months that end
# with --year-end, a leap day among them when the year has one, the interim settlement at the end
# of the sixth month, and the books balance.
foreach(case "2025-12;20250101;20251231;20250630" "2024-03;20230401;20240331;20230930"
             "2024-08;20230901;20240831;20240229")
  list(GET case 0 year_end)
  list(GET case 1 from)
  list(GET case 2 to)
  list(GET case 3 inside)
  run(${KCBOOKS} generate ${WORK}/year-${year_end} --entries 3000 --seed 7 --year-end ${year_end})
  run(${KCBOOKS} import ${WORK}/year-${year_end} ${WORK}/year-${year_end}.books)
  run(${KCBOOKS} show ${WORK}/year-${year_end}.books)
  expect_balanced("generated books ending ${year_end}")
  if(NOT OUT MATCHES "period ${from}-${to}")
    message(FATAL_ERROR "books ending ${year_end}: not the period ${from}-${to}:\n${OUT}")
  endif()
  file(READ ${WORK}/year-${year_end}/journal.csv journal)
  if(NOT journal MATCHES ",${inside},")
    message(FATAL_ERROR "books ending ${year_end}: no line on ${inside}")
  endif()
endforeach()
execute_process(COMMAND ${KCBOOKS} generate ${WORK}/bad-year --entries 10 --year-end 2025-13
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 2 OR EXISTS ${WORK}/bad-year)
  message(FATAL_ERROR "--year-end 2025-13: exit ${rc}, expected the usage (2) and no folder")
endif()

# Two imports into one store at once (started together, as a pipeline): they take turns, both
# succeed, and the store is whole, with no temporary left beside it.
execute_process(COMMAND ${KCBOOKS} import ${WORK}/plain ${WORK}/both.books
                COMMAND ${KCBOOKS} import ${WORK}/tax ${WORK}/both.books
                RESULTS_VARIABLE results ERROR_VARIABLE err)
if(NOT results STREQUAL "0;0")
  message(FATAL_ERROR "two imports at once: exit statuses ${results}:\n${err}")
endif()
# The floor's temporaries, and (but on Windows, where they stay hidden by design) lock files.
file(GLOB left ${WORK}/~kc*.kctmp)
if(NOT EMULATOR)
  file(GLOB locks ${WORK}/.*.kclock)
  list(APPEND left ${locks})
endif()
if(left)
  message(FATAL_ERROR "two imports at once left ${left}")
endif()
run(${KCBOOKS} show ${WORK}/both.books)
expect_balanced("two imports at once")

# The same seed gives the same books, byte for byte.
run(${KCBOOKS} generate ${WORK}/again --entries 3000 --seed 7)
file(SHA256 ${WORK}/plain/journal.csv first)
file(SHA256 ${WORK}/again/journal.csv second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "generate is not deterministic")
endif()

run(${KCBOOKS} import ${SAMPLE} ${WORK}/sample.books)
run(${KCBOOKS} show ${WORK}/sample.books)
expect_balanced("sample books")

# The sample books saved in Shift_JIS, as a spreadsheet saves them, import without an option
# and hold what the UTF-8 books hold.
find_program(ICONV iconv)
if(ICONV)
  file(GLOB_RECURSE texts RELATIVE ${SAMPLE} ${SAMPLE}/*.csv ${SAMPLE}/notes/*)
  foreach(text ${texts})
    get_filename_component(folder ${WORK}/sjis/${text} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 ${SAMPLE}/${text}
                    OUTPUT_FILE ${WORK}/sjis/${text} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "iconv cannot convert ${text} to Shift_JIS")
    endif()
  endforeach()
  run(${KCBOOKS} show ${WORK}/sample.books)
  set(utf8 "${OUT}")
  run(${KCBOOKS} import ${WORK}/sjis ${WORK}/sjis.books)
  run(${KCBOOKS} show ${WORK}/sjis.books)
  if(NOT OUT STREQUAL utf8)
    message(FATAL_ERROR "the Shift_JIS books show otherwise:\n${OUT}")
  endif()
endif()

# What show cannot write fails it: a full disk says so on the error output.
if(EXISTS /dev/full AND NOT EMULATOR)
  execute_process(COMMAND ${KCBOOKS} show ${WORK}/sample.books OUTPUT_FILE /dev/full
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "kcbooks: the output cannot be written")
    message(FATAL_ERROR "show into a full disk ended ${rc}: ${err}")
  endif()
endif()

# A refused import exits non-zero and names the file.
execute_process(COMMAND ${KCBOOKS} import ${WORK}/nothing ${WORK}/x.books RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc EQUAL 0 OR NOT err MATCHES "not a folder")
  message(FATAL_ERROR "a missing folder was not refused: ${err}")
endif()

# An input that is not a regular file is refused at once: a FIFO would wait for a writer
# forever, a device never end. (Not under the emulator: FIFOs and devices are this system's.)
if(NOT EMULATOR)
  foreach(kind fifo device)
    file(REMOVE_RECURSE ${WORK}/${kind})
    file(COPY ${SAMPLE}/ DESTINATION ${WORK}/${kind})
    file(REMOVE ${WORK}/${kind}/journal.csv)
    if(kind STREQUAL "fifo")
      execute_process(COMMAND mkfifo ${WORK}/${kind}/journal.csv)
    else()
      file(CREATE_LINK /dev/zero ${WORK}/${kind}/journal.csv SYMBOLIC)
    endif()
    execute_process(COMMAND ${KCBOOKS} import ${WORK}/${kind} ${WORK}/${kind}.books
                    RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 20)
    if(rc EQUAL 0 OR NOT err MATCHES "journal.csv: is not a regular file")
      message(FATAL_ERROR "a ${kind} in place of journal.csv was not refused (${rc}): ${err}")
    endif()
  endforeach()
endif()

# The guide's interchange example: kcbooks converts it, the folder imports and balances, its export
# passes kcview's checks, and import --from interchange makes the same store in one step.
#
# cmake -DKCBOOKS=... -DKCSAKURA=... -DKCVIEW=... -DSOURCE=... -DWORK=... -P interchange_example.cmake

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../lib/e2e.cmake)

set(example ${SOURCE}/examples/interchange)
set(options --openings ${example}/openings.csv --company 株式会社つぐみ製作所)
run(${KCBOOKS} convert ${example}/journal.csv ${options} -o tsugumi)
# The figures the guide gives.
foreach(expected "繰越利益 takes the difference of 900000 yen" "manufacturing: yes"
                 "interim closing: yes" "total 10172000 10172000 (debits equal credits)")
  string(FIND "${OUT}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the report lacks \"${expected}\":\n${OUT}")
  endif()
endforeach()
run(${KCBOOKS} import tsugumi tsugumi.books)
run(${KCBOOKS} show tsugumi.books)
if(NOT OUT MATCHES "debits equal credits" OR NOT OUT MATCHES ": balances\n")
  message(FATAL_ERROR "the converted books do not balance:\n${OUT}")
endif()
run(${KCSAKURA} --books tsugumi.books --ui batch --start-month 4 --end-month 3 --kind 1
    --out tsugumi.xml --yes --settings-folder settings)
run(${KCVIEW} --check tsugumi.xml)

# A refused conversion writes nothing.
execute_process(COMMAND ${KCBOOKS} convert ${example}/journal.csv ${options} -o tsugumi
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc EQUAL 0 OR NOT err MATCHES "exists and is not an empty folder")
  message(FATAL_ERROR "converting into a full folder was not refused (${rc}): ${err}")
endif()

run(${KCBOOKS} import --from interchange ${example}/journal.csv one-step.books ${options})
file(GLOB left ${WORK}/~kc*.kctmp ${WORK}/.*.kclock)
if(left)
  message(FATAL_ERROR "import --from interchange left ${left}")
endif()
run(${KCBOOKS} show one-step.books)
set(one "${OUT}")
run(${KCBOOKS} show tsugumi.books)
string(REPLACE "tsugumi.books" "" two "${OUT}")
string(REPLACE "one-step.books" "" one "${one}")
if(NOT one STREQUAL two)
  message(FATAL_ERROR "import --from interchange differs from convert and import:\n${one}\n${two}")
endif()

# The report is the user's account of what was inferred: one that cannot be written fails the
# command.
if(EXISTS /dev/full)
  execute_process(COMMAND ${KCBOOKS} convert ${example}/journal.csv ${options} -o full
                  WORKING_DIRECTORY ${WORK} OUTPUT_FILE /dev/full RESULT_VARIABLE rc
                  ERROR_VARIABLE err)
  if(rc EQUAL 0 OR NOT err MATCHES "the report cannot be written")
    message(FATAL_ERROR "a report written to a full device was not a failure (${rc}): ${err}")
  endif()
endif()

# Export identity: generated books are imported and exported in several ways, and every file
# must be byte for byte the file this program wrote before its export was made faster. A change
# that alters one byte of the document fails here.
#
# cmake -DKCBOOKS=... -DKCSAKURA=... -DWORK=... -DENTRIES=N -P identity.cmake
# ENTRIES is one of the sizes below (the debug suite uses the small one).

# The files' SHA-256 by size and export: ledger, kind 1, whole year; no ledger, kind 2; ledger,
# kind 2, months 6 to 11; no ledger, kind 1, whole year (months 4 to 3). Recorded again when the
# generated books began to close an interim period, whose settlement these exports all count.
set(expected_20000
    ledger_kind1=8802096e4ab7c630fe113da2017830406235feac018914ca3e2aebd5d0526d94
    plain_kind2=0a89c7cd72a7d56b453199af50c68f0a4d568cc1c3568e1783b4c4d3432aa995
    ledger_part=c8cd16d37ac1f175ae450fca0db3fc3ceb01b66c67e517a4a2315fc83cb7eede
    plain_kind1=01a5f7da4333d612576c8fe1bcb596d33fa2f9aa2a088fb4958f07326599667f)
set(expected_100000
    ledger_kind1=e9170d6193f722b48f183c17693a78d3415364d05071c26a377dfd06ca98100c
    plain_kind2=cd96b754aa7ff68a485434b615e9c7625245c3fe50efd6df5503082063c7c7f6
    ledger_part=f2f35d085df082f912800e5f26ec5a53c55ea71fdc8392d45e132a1176630243
    plain_kind1=47316ae06663bdd0a34fc1de90aab0a2d542eb7b4a622a8bcff2c0509c652d50)

if(NOT DEFINED expected_${ENTRIES})
  message(FATAL_ERROR "no recorded exports for ${ENTRIES} entries")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../lib/e2e.cmake)

run(${KCBOOKS} generate ${WORK}/books --entries ${ENTRIES})
run(${KCBOOKS} import ${WORK}/books ${WORK}/books.store)

set(args_ledger_kind1 --ledger --kind 1)
set(args_plain_kind2 --no-ledger --kind 2)
set(args_ledger_part --ledger --kind 2 --start-month 6 --end-month 11)
set(args_plain_kind1 --no-ledger --kind 1 --start-month 4 --end-month 3)

set(failures "")
foreach(pair IN LISTS expected_${ENTRIES})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 hash)
  # Each export starts from no saved settings, so only its own options count.
  run(${KCSAKURA} --books ${WORK}/books.store --user gen --ui batch --yes
      --out ${WORK}/${name}.xml --settings-folder ${WORK}/settings-${name} ${args_${name}})
  file(SHA256 ${WORK}/${name}.xml actual)
  if(NOT actual STREQUAL hash)
    string(APPEND failures "  ${name}: ${actual}, recorded ${hash}\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "exports differ from the recorded files:\n${failures}")
endif()

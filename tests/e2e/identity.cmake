# Export identity: generated books are imported and exported in several ways, and every file
# must be byte for byte the file this program wrote before its export was made faster. A change
# that alters one byte of the document fails here.
#
# cmake -DKCBOOKS=... -DKCSAKURA=... -DWORK=... -DENTRIES=N -P identity.cmake
# ENTRIES is one of the sizes below (the debug suite uses the small one).

# The files' SHA-256 by size and export: ledger, kind 1, whole year; no ledger, kind 2; ledger,
# kind 2, months 6 to 11; no ledger, kind 1, whole year (months 4 to 3).
set(expected_20000
    ledger_kind1=7923a6f70942031135abdd5d082e66a81a7a6728793082ecb4d8cb70479fa750
    plain_kind2=6675a72584924672a690d3db8a033c41759dc826effe1783919238dd3ec463ab
    ledger_part=73f9885071f7a5b2248e59f9e8b2b758286bc20e02e530d9eae4c78c96d1c463
    plain_kind1=c8cd3223fe69f01b0e31ec53dd572cba2c8799900382627de6e5b626cafe91a0)
set(expected_100000
    ledger_kind1=a6ee0388ae5d5cc8c833b55efcb4368792b39a423c9dfbc2c4a2bb6ed6477b71
    plain_kind2=19c033bce638446d83cb1d02c8831e9790263b230eaaecd5b58164bb88922a6d
    ledger_part=411741e3772d141e8778a715129ac681930914a20454ad6e433ef381050e9f35
    plain_kind1=9ab5f8fb58e2406bfbedc0b7a6415a20693a3b132d4ad9965f3ed9d7f8c6dacf)

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

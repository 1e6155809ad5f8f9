# SQLite compiled in: Debian has no MinGW package, so the amalgamation comes from a pinned
# registry package that carries it, checked against its SHA-256 before use. Nothing of it is
# committed. The native build uses the same amalgamation unless KC_BUNDLED_SQLITE is OFF.
set(KC_SQLITE_PACKAGE better-sqlite3)
set(KC_SQLITE_PACKAGE_VERSION 12.11.1)
set(KC_SQLITE_PACKAGE_SHA256 ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835)

set(kc_sqlite_dir ${CMAKE_BINARY_DIR}/sqlite-amalgamation)
include(${CMAKE_CURRENT_LIST_DIR}/PinnedPackage.cmake)

if(NOT EXISTS ${kc_sqlite_dir}/sqlite3.c)
  kc_fetch_pinned_package(${KC_SQLITE_PACKAGE} ${KC_SQLITE_PACKAGE_VERSION}
                          ${KC_SQLITE_PACKAGE_SHA256} ${kc_sqlite_dir} kc_sqlite_tarball)
  file(ARCHIVE_EXTRACT INPUT ${kc_sqlite_tarball} DESTINATION ${kc_sqlite_dir}/package-files
       PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
  file(COPY ${kc_sqlite_dir}/package-files/package/deps/sqlite3/sqlite3.h
            ${kc_sqlite_dir}/package-files/package/deps/sqlite3/sqlite3.c
       DESTINATION ${kc_sqlite_dir})
  file(REMOVE_RECURSE ${kc_sqlite_dir}/package-files)
endif()

add_library(kc_sqlite STATIC ${kc_sqlite_dir}/sqlite3.c)
target_include_directories(kc_sqlite SYSTEM PUBLIC ${kc_sqlite_dir})
# The books use one connection, from one thread at a time (the ledger's reader hands it back
# before anything else reads the books).
target_compile_definitions(kc_sqlite PRIVATE SQLITE_THREADSAFE=0 SQLITE_OMIT_LOAD_EXTENSION
                                             SQLITE_DEFAULT_MEMSTATUS=0)
# Optimised in every build, and outside the sanitizers: they check our code, not SQLite's.
set_source_files_properties(${kc_sqlite_dir}/sqlite3.c PROPERTIES COMPILE_OPTIONS
                            "-O2;-w;$<$<BOOL:${KC_SANITIZE}>:-fno-sanitize=all>")

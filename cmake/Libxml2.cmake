# libxml2 compiled in for the Windows build of kcview: Debian has no MinGW package, so its sources
# come from a pinned registry package that carries them (libxmljs keeps libxml2 2.9.12 under
# vendor/libxml2), checked against its SHA-256 before use. Nothing of it is committed.
#
# Only what a push parser with SAX callbacks needs is built: no HTTP or FTP, no iconv or ICU (our
# own code page 932 decoder is registered at run time), no catalogs, XInclude, schemas, HTML or
# XPath, and no threads (kcview parses on one thread). kcview never asks for entity substitution
# and refuses a document type, so nothing is expanded or fetched.
set(KC_LIBXML2_PACKAGE libxmljs)
set(KC_LIBXML2_PACKAGE_VERSION 1.0.11)
set(KC_LIBXML2_PACKAGE_SHA256 7edf4ed3ff528688352fdd7dc9d9a596f0cba206c369a302375cbb6f0e93ab14)
set(KC_LIBXML2_VERSION 2.9.12)

set(kc_libxml2_dir ${CMAKE_BINARY_DIR}/libxml2-sources)
set(kc_libxml2_sources
    SAX2.c buf.c chvalid.c dict.c encoding.c entities.c error.c globals.c hash.c list.c parser.c
    parserInternals.c threads.c tree.c uri.c valid.c xmlIO.c xmlmemory.c xmlstring.c)

include(${CMAKE_CURRENT_LIST_DIR}/PinnedPackage.cmake)

if(NOT EXISTS ${kc_libxml2_dir}/parser.c)
  kc_fetch_pinned_package(${KC_LIBXML2_PACKAGE} ${KC_LIBXML2_PACKAGE_VERSION}
                          ${KC_LIBXML2_PACKAGE_SHA256} ${kc_libxml2_dir} kc_libxml2_tarball)
  set(patterns package/vendor/libxml2/include package/vendor/libxml2/Copyright
               package/vendor/libxml2/libxml.h package/vendor/libxml2/buf.h
               package/vendor/libxml2/enc.h package/vendor/libxml2/save.h
               package/vendor/libxml2/elfgcchack.h package/vendor/libxml2/timsort.h)
  foreach(source ${kc_libxml2_sources})
    list(APPEND patterns package/vendor/libxml2/${source})
  endforeach()
  file(ARCHIVE_EXTRACT INPUT ${kc_libxml2_tarball} DESTINATION ${kc_libxml2_dir}/package-files
       PATTERNS ${patterns})
  file(COPY ${kc_libxml2_dir}/package-files/package/vendor/libxml2/ DESTINATION ${kc_libxml2_dir})
  file(REMOVE_RECURSE ${kc_libxml2_dir}/package-files)
endif()

# The features as xmlversion.h states them to the sources and to kcview.
set(VERSION ${KC_LIBXML2_VERSION})
set(LIBXML_VERSION_NUMBER 20912)
set(LIBXML_VERSION_EXTRA "")
set(MODULE_EXTENSION ".dll")
foreach(feature TREE PUSH SAX1 VALID)
  set(WITH_${feature} 1)
endforeach()
foreach(feature TRIO THREADS THREAD_ALLOC OUTPUT READER PATTERN WRITER FTP HTTP HTML LEGACY C14N
                CATALOG DOCB XPATH XPTR XINCLUDE ICONV ICU ISO8859X DEBUG MEM_DEBUG RUN_DEBUG
                REGEXPS SCHEMAS SCHEMATRON MODULES ZLIB LZMA)
  set(WITH_${feature} 0)
endforeach()
configure_file(${kc_libxml2_dir}/include/libxml/xmlversion.h.in
               ${CMAKE_BINARY_DIR}/libxml2-include/libxml/xmlversion.h @ONLY)
# The sources' own Windows settings, as their Windows build copies them to config.h.
file(WRITE ${CMAKE_BINARY_DIR}/libxml2-config/config.h
     "#include <win32config.h>\n#define HAVE_STDINT_H 1\n")

list(TRANSFORM kc_libxml2_sources PREPEND ${kc_libxml2_dir}/)
add_library(kc_libxml2 STATIC ${kc_libxml2_sources})
# The generated xmlversion.h goes before the one the sources carry for other compilers.
target_include_directories(kc_libxml2 SYSTEM BEFORE PUBLIC ${CMAKE_BINARY_DIR}/libxml2-include
                                                            ${kc_libxml2_dir}/include)
target_include_directories(kc_libxml2 PRIVATE ${CMAKE_BINARY_DIR}/libxml2-config ${kc_libxml2_dir})
# A static library: its functions are neither imported nor exported.
target_compile_definitions(kc_libxml2 PUBLIC LIBXML_STATIC)
# Optimised in every build, and outside the sanitizers and our warnings: they check our code.
target_compile_options(kc_libxml2 PRIVATE -O2 -w)

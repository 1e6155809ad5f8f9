# A registry package fetched with `npm pack` into `dir` and checked against its pinned SHA-256:
# the sources Debian has no MinGW package of come this way. A tarball that does not match is
# removed and the configuration stops. The tarball's path goes to `tarball_var`.
function(kc_fetch_pinned_package package version sha256 dir tarball_var)
  set(tarball ${dir}/${package}-${version}.tgz)
  file(MAKE_DIRECTORY ${dir})
  if(NOT EXISTS ${tarball})
    message(STATUS "Fetching ${package}@${version}")
    execute_process(COMMAND npm pack --silent ${package}@${version}
                    WORKING_DIRECTORY ${dir}
                    RESULT_VARIABLE rc OUTPUT_QUIET)
    if(NOT rc EQUAL 0 OR NOT EXISTS ${tarball})
      message(FATAL_ERROR "npm pack ${package}@${version} failed (${rc})")
    endif()
  endif()
  file(SHA256 ${tarball} hash)
  if(NOT hash STREQUAL sha256)
    file(REMOVE ${tarball})
    message(FATAL_ERROR "${tarball}: SHA-256 ${hash}, expected ${sha256}")
  endif()
  set(${tarball_var} ${tarball} PARENT_SCOPE)
endfunction()

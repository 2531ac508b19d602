# SQLite comes from the amalgamation that the better-sqlite3 npm package ships.
# It is fetched once with `npm pack`, checked against known hashes and kept in the
# build tree, so a rebuild neither downloads nor recompiles it.
set(SQLITE_NPM_PACKAGE "better-sqlite3@12.11.1")
set(SQLITE_C_SHA256 "60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422")
set(SQLITE_H_SHA256 "9e69a1353a4288450b0d5239ede11fc7f1f4c8e5eb07491fc8317eacb5b7de7e")

set(SQLITE_SOURCE_DIR "" CACHE PATH
    "Folder holding sqlite3.c and sqlite3.h; empty means fetch them with npm pack")

function(sqlite_hashes_match dir result)
  set(${result} FALSE PARENT_SCOPE)
  if(EXISTS "${dir}/sqlite3.c" AND EXISTS "${dir}/sqlite3.h")
    file(SHA256 "${dir}/sqlite3.c" c_hash)
    file(SHA256 "${dir}/sqlite3.h" h_hash)
    if(c_hash STREQUAL SQLITE_C_SHA256 AND h_hash STREQUAL SQLITE_H_SHA256)
      set(${result} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

if(NOT SQLITE_SOURCE_DIR)
  set(cache_dir "${CMAKE_BINARY_DIR}/_deps/sqlite")
  sqlite_hashes_match("${cache_dir}" cached)
  if(NOT cached)
    find_program(NPM_PROGRAM NAMES npm npm.cmd REQUIRED)
    set(download_dir "${CMAKE_BINARY_DIR}/_deps/sqlite-download")
    file(REMOVE_RECURSE "${download_dir}" "${cache_dir}")
    file(MAKE_DIRECTORY "${download_dir}" "${cache_dir}")
    message(STATUS "Fetching the SQLite amalgamation with npm pack ${SQLITE_NPM_PACKAGE}")
    execute_process(
      COMMAND "${NPM_PROGRAM}" pack "${SQLITE_NPM_PACKAGE}" --silent
      WORKING_DIRECTORY "${download_dir}"
      RESULT_VARIABLE npm_result OUTPUT_VARIABLE npm_output ERROR_VARIABLE npm_error)
    file(GLOB tarball "${download_dir}/*.tgz")
    if(NOT npm_result EQUAL 0 OR NOT tarball)
      message(FATAL_ERROR "npm pack ${SQLITE_NPM_PACKAGE} failed: ${npm_error}")
    endif()
    file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${download_dir}"
         PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
    file(COPY "${download_dir}/package/deps/sqlite3/sqlite3.c"
              "${download_dir}/package/deps/sqlite3/sqlite3.h"
         DESTINATION "${cache_dir}")
    file(REMOVE_RECURSE "${download_dir}")
    sqlite_hashes_match("${cache_dir}" cached)
    if(NOT cached)
      file(REMOVE_RECURSE "${cache_dir}")
      message(FATAL_ERROR "The SQLite amalgamation from ${SQLITE_NPM_PACKAGE} does not have the expected SHA-256")
    endif()
  endif()
  set(SQLITE_SOURCE_DIR "${cache_dir}")
else()
  sqlite_hashes_match("${SQLITE_SOURCE_DIR}" given_ok)
  if(NOT given_ok)
    message(FATAL_ERROR "${SQLITE_SOURCE_DIR} does not hold the expected SQLite 3.53.2 amalgamation")
  endif()
endif()

# Default configuration: no compile-time options of our own.
add_library(sqlite3 STATIC "${SQLITE_SOURCE_DIR}/sqlite3.c")
set_target_properties(sqlite3 PROPERTIES LINKER_LANGUAGE C)
target_include_directories(sqlite3 SYSTEM PUBLIC "${SQLITE_SOURCE_DIR}")
if(NOT MSVC)
  target_compile_options(sqlite3 PRIVATE -O2 -w)
endif()

# RE2, the regular expression engine of find: its matching takes time linear in the text and
# never recurses on it, and each pattern gets a bounded memory budget. Gives the target
# quarvex_re2.
#
# A native build links Debian's libre2-dev (through pkg-config). A cross build (mingw-w64 for
# the Windows zip, WebAssembly) has no such package: it passes the unpacked source of Debian's
# re2 source package in QUARVEX_RE2_SOURCE_DIR (tools/fetch-re2-source.sh fetches it), and the
# library is built here as a static library without its own tests.
set(QUARVEX_RE2_SOURCE_DIR "" CACHE PATH "Unpacked RE2 source to build (cross builds); empty: the system's RE2")

add_library(quarvex_re2 INTERFACE)
if(QUARVEX_RE2_SOURCE_DIR)
  # Debian's repacked source leaves out the generated tables, which its build (and the script)
  # make again: a source unpacked by hand lacks them.
  foreach(table re2/perl_groups.cc re2/unicode_casefold.cc re2/unicode_groups.cc)
    if(NOT EXISTS ${QUARVEX_RE2_SOURCE_DIR}/${table})
      message(FATAL_ERROR "${QUARVEX_RE2_SOURCE_DIR} lacks ${table}: unpack it with tools/fetch-re2-source.sh")
    endif()
  endforeach()
  set(RE2_BUILD_TESTING OFF CACHE BOOL "" FORCE)
  set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUARVEX_RE2_SOURCE_DIR} ${CMAKE_BINARY_DIR}/re2 EXCLUDE_FROM_ALL SYSTEM)
  target_link_libraries(quarvex_re2 INTERFACE re2::re2)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(QUARVEX_SYSTEM_RE2 REQUIRED IMPORTED_TARGET re2)
  target_link_libraries(quarvex_re2 INTERFACE PkgConfig::QUARVEX_SYSTEM_RE2)
endif()

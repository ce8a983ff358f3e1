# TagLib and pugixml come from Debian's packages. On a fresh Debian machine the
# configure step installs whatever is missing (as root; anyone else is told
# the one apt-get line), so the README's two commands are the whole set-up.
# The Windows build finds them, cross-built, in the cache that
# scripts/windows/setup-cross.sh fills (see cmake/mingw-w64-x86_64.cmake).
option(TRACKMEND_INSTALL_DEPS "Install missing Debian build packages while configuring" ON)

function(trackmend_look_for_dependencies)
  # The Windows programs stand alone: the libraries TagLib names (zlib) are
  # taken as static archives, not as the import libraries of their DLLs.
  if(WIN32)
    set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
  endif()
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(TAGLIB QUIET IMPORTED_TARGET GLOBAL taglib)
  endif()
  find_package(pugixml QUIET CONFIG)
  # groff renders the manual pages in a test; without it that test is skipped.
  if(TRACKMEND_TESTS)
    find_program(GROFF_EXECUTABLE groff)
  endif()
  if(PkgConfig_FOUND AND TAGLIB_FOUND AND pugixml_FOUND)
    set(trackmend_dependencies_found TRUE PARENT_SCOPE)
  else()
    set(trackmend_dependencies_found FALSE PARENT_SCOPE)
  endif()
endfunction()

trackmend_look_for_dependencies()
if(NOT trackmend_dependencies_found AND CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "The cross-built TagLib and pugixml are missing: bash scripts/windows/setup-cross.sh")
endif()
if((NOT trackmend_dependencies_found OR (TRACKMEND_TESTS AND NOT GROFF_EXECUTABLE)) AND TRACKMEND_INSTALL_DEPS)
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/install-build-deps.sh
                  RESULT_VARIABLE install_result)
  unset(pugixml_DIR CACHE)
  unset(PKG_CONFIG_EXECUTABLE CACHE)
  unset(GROFF_EXECUTABLE CACHE)
  trackmend_look_for_dependencies()
endif()
if(NOT trackmend_dependencies_found)
  message(FATAL_ERROR "TagLib, pugixml and pkg-config are needed: sudo apt-get install libtag1-dev libpugixml-dev pkg-config")
endif()

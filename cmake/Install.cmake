# What `cmake --install` puts beside the two programs, and the package CPack
# makes of it: `cpack -G DEB` on Linux. The generator follows the platform, so
# another platform's package (a ZIP on Windows) is one more branch below.
include(GNUInstallDirs)

if(WIN32)
  # The ZIP: the two programs (main/) with the README, the licence and the
  # notices of the libraries linked into them, all at its top.
  include(cmake/WindowsNotices.cmake)
  install(FILES README.md LICENSE ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt DESTINATION .)
else()
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
if(UNIX)
  install(FILES doc/trackmend.1 doc/trackmend-scan.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # Each shell looks a completion up by the command's name; one file serves
  # both commands, so it is installed under both names where the shell needs it.
  foreach(command trackmend trackmend-scan)
    install(FILES completions/trackmend.bash RENAME ${command}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
    install(FILES completions/trackmend.fish RENAME ${command}.fish
            DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
  endforeach()
  install(FILES completions/_trackmend DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
endif()

# The package version grows with every commit, so each build's package is newer
# than the one before; the usage text keeps the project's own version.
function(trackmend_package_version result)
  set(commits 0)
  find_package(Git QUIET)
  if(Git_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE count RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir --is-shallow-repository
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_facts ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed)
      set(commits ${count})
      string(REPLACE "\n" ";" git_facts "${git_facts}")
      list(GET git_facts 0 git_dir)
      list(GET git_facts 1 shallow)
      if(shallow STREQUAL "true")
        message(WARNING "A shallow clone counts too few commits: package version ${PROJECT_VERSION}.${commits}")
      endif()
      # A commit or a checkout writes this log, so the next build configures
      # again and its package carries the new count.
      if(EXISTS ${git_dir}/logs/HEAD)
        set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${git_dir}/logs/HEAD)
      endif()
    endif()
  endif()
  set(${result} ${PROJECT_VERSION}.${commits} PARENT_SCOPE)
endfunction()

trackmend_package_version(CPACK_PACKAGE_VERSION)
set(CPACK_PACKAGE_NAME trackmend)
set(CPACK_PACKAGE_VENDOR "the trackmend authors")
set(CPACK_PACKAGE_CONTACT "the trackmend authors <trackmend@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "repair the song paths in music playlists")
set(CPACK_PACKAGE_DESCRIPTION "trackmend repairs the entries of M3U, PLS, XSPF, WPL and ASX playlists
whose songs were moved or renamed, against a list of all your songs or your
music folder itself; trackmend-scan writes a music folder, with its tags,
into a playlist. Licence: MIT.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/RemoveOldPackages.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME trackmend-${CPACK_PACKAGE_VERSION}-win64)
  # The files at the top of the ZIP, not in a folder of the package's name.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
endif()

# The Debian package installs under /usr, CPack's default for it.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends is worked out from the libraries the binaries load (TagLib, pugixml, ...).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

include(CPack)

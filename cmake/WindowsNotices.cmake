# The notices that the Windows ZIP must carry, as its programs hold the
# libraries statically: TagLib (under its MPL 1.1 option) with the UTF-8
# headers it bundles, pugixml, zlib, the MinGW-w64 runtime with winpthreads,
# and GCC's runtime libraries. Each licence is read from the very sources and
# Debian packages the build used (scripts/windows/setup-cross.sh), into
# THIRD-PARTY-NOTICES.txt of the build folder; a missing one fails the
# configure step, so no package ships without it.
file(GLOB taglib_source LIST_DIRECTORIES true ${TRACKMEND_WIN_DEPS}/src/taglib/taglib-*)
file(GLOB pugixml_source LIST_DIRECTORIES true ${TRACKMEND_WIN_DEPS}/src/pugixml/pugixml-*)
get_filename_component(taglib_version "${taglib_source}" NAME)
get_filename_component(pugixml_version "${pugixml_source}" NAME)

set(notices "${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt")
file(WRITE ${notices} "trackmend.exe and trackmend-scan.exe hold the following libraries, linked in
statically. Their licences follow, each as it came with the source that was
built.

- ${taglib_version} (https://taglib.org), used unchanged under the Mozilla
  Public License 1.1 (it is also offered under the LGPL 2.1). Its source is
  Debian's source package taglib (`apt-get source taglib`), or
  https://taglib.org/releases/. It bundles utf8-cpp by Nemanja Trifunovic.
- ${pugixml_version} (https://pugixml.org), MIT licence.
- zlib (https://zlib.net), as Debian's libz-mingw-w64 builds it, zlib licence.
- The MinGW-w64 runtime and winpthreads (https://www.mingw-w64.org), as
  Debian's mingw-w64 packages build them.
- libgcc and libstdc++ of GCC, under the GPL 3 with the GCC Runtime Library
  Exception, which allows this use without further conditions.
")

# Appends a section headed `title` holding the file `source`, or the part of
# it before the line `until` when that is given.
function(trackmend_notice title source until)
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR "Licence text missing: ${source} (run scripts/windows/setup-cross.sh)")
  endif()
  file(READ "${source}" text)
  if(until)
    string(FIND "${text}" "${until}" end)
    string(SUBSTRING "${text}" 0 ${end} text)
  endif()
  string(REPEAT "=" 78 rule)
  file(APPEND ${notices} "\n${rule}\n${title}\n${rule}\n\n${text}")
endfunction()

trackmend_notice("${taglib_version}: Mozilla Public License 1.1" "${taglib_source}/COPYING.MPL" "")
trackmend_notice("utf8-cpp (in TagLib)" "${taglib_source}/3rdparty/utf8-cpp/checked.h" "#ifndef")
trackmend_notice("${pugixml_version}" "${pugixml_source}/LICENSE.md" "")
trackmend_notice("zlib (Debian's libz-mingw-w64)" /usr/share/doc/libz-mingw-w64/copyright "")
trackmend_notice("MinGW-w64 runtime and winpthreads (Debian's mingw-w64-common)"
                 /usr/share/doc/mingw-w64-common/copyright "")
trackmend_notice("libgcc and libstdc++ (Debian's gcc-mingw-w64-base)" /usr/share/doc/gcc-mingw-w64-base/copyright "")

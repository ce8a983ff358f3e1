# What `cmake --install` puts beside the two programs.
include(GNUInstallDirs)

install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
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

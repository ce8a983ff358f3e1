# Run by CPack before it writes a package: the packages of earlier builds go,
# so the build folder holds one package to install, the newest.
file(GLOB old_packages "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_NAME}_*.deb"
     "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_NAME}-*-win64.zip")
if(old_packages)
  file(REMOVE ${old_packages})
endif()

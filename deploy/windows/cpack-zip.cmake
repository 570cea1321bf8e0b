# Read by CPack once for each generator. The portable zip: the guide in a
# folder of its own named for the version, with the demo pictures beside it
# and without the installer's demo-pictures\.
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(CPACK_PACKAGE_FILE_NAME quorvel-guide-${CPACK_PACKAGE_VERSION}-win64)
    list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build)
    set(CPACK_INSTALL_CMAKE_PROJECTS "${build};quorvel-guide;guide;/;${build};quorvel-guide;portable;/")
endif()

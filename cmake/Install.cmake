# Installation: the public headers, the versioned shared libraries with their
# SONAMEs, a CMake package (find_package(VkErrorHandling CONFIG) giving the
# targets VkErrorHandling::VkErrorHandling and, when built,
# VkErrorHandling::Delivery) and a pkg-config file for each library.
include(CMakePackageConfigHelpers)

set(VKERR_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VkErrorHandling)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/VkErrorHandling
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")

set(VKERR_INSTALLED_LIBRARIES VkErrorHandling)
if(TARGET VkErrorHandlingDelivery)
    list(APPEND VKERR_INSTALLED_LIBRARIES VkErrorHandlingDelivery)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/delivery/include/VkErrorHandling
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
            FILES_MATCHING PATTERN "*.h")
endif()
install(TARGETS ${VKERR_INSTALLED_LIBRARIES}
        EXPORT VkErrorHandlingTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT VkErrorHandlingTargets
        NAMESPACE VkErrorHandling::
        FILE VkErrorHandlingTargets.cmake
        DESTINATION ${VKERR_CMAKE_PACKAGE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VkErrorHandlingConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VkErrorHandlingConfig.cmake
                              INSTALL_DESTINATION ${VKERR_CMAKE_PACKAGE_DIR})
# The SONAME carries the major version, so only the same major version is compatible.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VkErrorHandlingConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION}
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VkErrorHandlingConfig.cmake
              ${PROJECT_BINARY_DIR}/VkErrorHandlingConfigVersion.cmake
        DESTINATION ${VKERR_CMAKE_PACKAGE_DIR})

# The .pc file finds its prefix from its own location, so the installed tree
# can be moved (and `cmake --install --prefix` anywhere gives correct flags).
set(VKERR_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(VKERR_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
    set(VKERR_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
    set(VKERR_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
    file(RELATIVE_PATH VKERR_PC_UP "/${VKERR_PKGCONFIG_DIR}" "/")
    string(REGEX REPLACE "/$" "" VKERR_PC_UP "${VKERR_PC_UP}")
    set(VKERR_PC_PREFIX "\${pcfiledir}/${VKERR_PC_UP}")
    set(VKERR_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
    set(VKERR_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/VkErrorHandling.pc.in ${PROJECT_BINARY_DIR}/VkErrorHandling.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/VkErrorHandling.pc DESTINATION ${VKERR_PKGCONFIG_DIR})
if(TARGET VkErrorHandlingDelivery)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/VkErrorHandlingDelivery.pc.in
                   ${PROJECT_BINARY_DIR}/VkErrorHandlingDelivery.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/VkErrorHandlingDelivery.pc DESTINATION ${VKERR_PKGCONFIG_DIR})
endif()

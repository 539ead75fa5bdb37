# What the Windows build brings along that Debian does not ship for mingw-w64: pugixml (vendored),
# GoogleTest (built from Debian's googletest source package) and the NSS declarations the
# Thunderbird login store compiles against (NSS itself is the installed Thunderbird's, loaded at
# run time). Included before the project's own warning flags, which are not for this code.

add_subdirectory(${PROJECT_SOURCE_DIR}/third_party/pugixml ${CMAKE_BINARY_DIR}/third_party/pugixml)

if(QUENLIX_BUILD_TESTS)
  set(QUENLIX_GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH
    "GoogleTest sources for the Windows build (Debian package googletest)")
  if(NOT EXISTS ${QUENLIX_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${QUENLIX_GOOGLETEST_SOURCE}: install the "
      "Debian package googletest (scripts/ensure-deps mingw).")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUENLIX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/third_party/googletest
    EXCLUDE_FROM_ALL)
endif()

# The host's NSS headers are plain C declarations; NSPR's are too, except its one configuration
# header, which describes the host. The Windows build takes a copy of NSPR's headers with that
# one replaced by the Windows x64 description.
find_path(QUENLIX_NSS_INCLUDE_DIR pk11pub.h PATHS /usr/include/nss NO_CMAKE_FIND_ROOT_PATH)
find_path(QUENLIX_NSPR_INCLUDE_DIR prtypes.h PATHS /usr/include/nspr NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUENLIX_NSS_INCLUDE_DIR OR NOT QUENLIX_NSPR_INCLUDE_DIR)
  message(FATAL_ERROR "No NSS headers found: install the Debian package libnss3-dev.")
endif()
set(_nspr_copy ${CMAKE_BINARY_DIR}/nspr-windows)
file(COPY ${QUENLIX_NSPR_INCLUDE_DIR}/ DESTINATION ${_nspr_copy} PATTERN prcpucfg.h EXCLUDE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/nspr-prcpucfg-win64.h ${_nspr_copy}/prcpucfg.h COPYONLY)
set(NSS_INCLUDE_DIRS ${_nspr_copy} ${QUENLIX_NSS_INCLUDE_DIR})

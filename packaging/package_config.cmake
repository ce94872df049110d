# SPDX-License-Identifier: MIT
# Read by cpack before it makes the package.

# Every time stamp in the package is the last commit's, so that the same
# source makes the same package whenever it is built. SOURCE_DATE_EPOCH from
# the environment wins, as everywhere; outside a git checkout there is none.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY ${CPACK_TAG_MIRROR_SOURCE_DIR}
    OUTPUT_VARIABLE last_commit OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE not_a_checkout ERROR_QUIET)
  if(NOT not_a_checkout)
    set(ENV{SOURCE_DATE_EPOCH} ${last_commit})
  endif()
endif()

# The unit and its start script name the paths that the build installs to.
if(NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "the Debian package installs under /usr, and this build is for "
    "${CPACK_PACKAGING_INSTALL_PREFIX}: configure it with -DCMAKE_INSTALL_PREFIX=/usr "
    "(as the armhf preset does)")
endif()

# Depends names the libc6 that has the newest glibc symbol version the
# packaged binary asks for, whatever it was built for.
execute_process(COMMAND ${CPACK_TAG_MIRROR_READELF} --version-info --wide ${CPACK_TAG_MIRROR_BINARY}
  OUTPUT_VARIABLE version_info RESULT_VARIABLE failed)
string(REGEX MATCHALL "GLIBC_[0-9]+(\\.[0-9]+)+" needed "${version_info}")
if(failed OR NOT needed)
  message(FATAL_ERROR "cannot read the glibc versions ${CPACK_TAG_MIRROR_BINARY} needs")
endif()
set(newest 0)
foreach(version IN LISTS needed)
  string(REPLACE "GLIBC_" "" version ${version})
  if(version VERSION_GREATER newest)
    set(newest ${version})
  endif()
endforeach()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${newest})")

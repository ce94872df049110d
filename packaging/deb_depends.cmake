# SPDX-License-Identifier: MIT
# Read by cpack: the package depends on the libc6 that has the newest glibc
# symbol version the packaged binary asks for, whatever it was built for.
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

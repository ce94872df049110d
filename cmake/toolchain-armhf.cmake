# SPDX-License-Identifier: MIT
# Cross build for the gateway: armv7-a, hard-float EABI (Debian's armhf), with
# Debian's arm-linux-gnueabihf compiler, linked against Debian 11's glibc 2.31
# so that the binary loads on every gateway with that glibc or newer.
#
# TAG_MIRROR_SYSROOT: where that C library is kept; fetched once if missing.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(triple arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(TAG_MIRROR_DEBIAN_ARCH armhf)

if(NOT TAG_MIRROR_SYSROOT)
  set(TAG_MIRROR_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build/sysroot/debian11-armhf")
endif()
get_filename_component(TAG_MIRROR_SYSROOT "${TAG_MIRROR_SYSROOT}" ABSOLUTE)
set(TAG_MIRROR_SYSROOT "${TAG_MIRROR_SYSROOT}" CACHE PATH "Debian 11 armhf C library for the cross build")
# try_compile projects read this file again and need the same sysroot.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAG_MIRROR_SYSROOT)

if(NOT EXISTS "${TAG_MIRROR_SYSROOT}/.complete")
  execute_process(
    COMMAND "${CMAKE_CURRENT_LIST_DIR}/../scripts/fetch-armhf-sysroot.sh" "${TAG_MIRROR_SYSROOT}"
    RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "The armhf build needs Debian 11's armhf C library in "
      "${TAG_MIRROR_SYSROOT} and could not fetch it (see the message above).")
  endif()
endif()

set(CMAKE_SYSROOT "${TAG_MIRROR_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH "${TAG_MIRROR_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's cross compiler searches its own glibc (2.36) headers, start files and
# libraries before any --sysroot. Name the search order outright: the compiler's
# C++ and built-in headers, then the sysroot's C headers; the sysroot's start
# files and libraries ahead of the compiler's.
execute_process(COMMAND ${triple}-gcc -print-file-name=include
  OUTPUT_VARIABLE gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${triple}-gcc -dumpversion
  OUTPUT_VARIABLE gcc_version OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(cxx_include "${gcc_include}/../../../../../${triple}/include/c++/${gcc_version}" ABSOLUTE)
set(c_headers "-isystem ${gcc_include} -isystem ${TAG_MIRROR_SYSROOT}/usr/include/${triple} -isystem ${TAG_MIRROR_SYSROOT}/usr/include")
set(cxx_headers "-isystem ${cxx_include} -isystem ${cxx_include}/${triple} -isystem ${cxx_include}/backward")
set(CMAKE_C_FLAGS_INIT "-nostdinc ${c_headers}")
set(CMAKE_CXX_FLAGS_INIT "-nostdinc ${cxx_headers} ${c_headers}")
set(libraries "-B${TAG_MIRROR_SYSROOT}/usr/lib/${triple} -L${TAG_MIRROR_SYSROOT}/lib/${triple} -L${TAG_MIRROR_SYSROOT}/usr/lib/${triple}")
# The compiler's own libstdc++ and libgcc_s need a glibc newer than 2.31; what
# a target uses of them is linked in instead.
string(APPEND libraries " -static-libstdc++ -static-libgcc")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${libraries}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${libraries}")

# Debian's armhf baseline, spelled out so that a different default cannot creep in.
string(APPEND CMAKE_C_FLAGS_INIT " -march=armv7-a+fp -mfloat-abi=hard -mthumb")
string(APPEND CMAKE_CXX_FLAGS_INIT " -march=armv7-a+fp -mfloat-abi=hard -mthumb")
# GCC notes that GCC 7.1 changed how some arguments are passed on ARM; nothing
# here is linked against code built before that.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-psabi")

# How tests start the cross-built programs: binfmt_misc is not to be relied on.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L "${TAG_MIRROR_SYSROOT}")

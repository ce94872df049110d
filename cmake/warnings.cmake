# SPDX-License-Identifier: MIT
# Warnings every target of ours is built with; any new warning is a bug.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wformat=2
  -Wmissing-declarations -Wpointer-arith -Wcast-align -Wundef -Wnull-dereference
  $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor>)
option(TAG_MIRROR_WERROR "Treat warnings as errors" ON)
if(TAG_MIRROR_WERROR)
  target_compile_options(project_warnings INTERFACE -Werror)
endif()

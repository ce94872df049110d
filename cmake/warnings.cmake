# SPDX-License-Identifier: MIT
# Warnings every target of ours is built with; any new warning is a bug.
# The lists stay variables too: the test of the README's one-command build
# compiles the program with them.
set(TAG_MIRROR_WARNINGS
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wformat=2
  -Wmissing-declarations -Wpointer-arith -Wcast-align -Wundef -Wnull-dereference)
set(TAG_MIRROR_CXX_WARNINGS -Wold-style-cast -Wnon-virtual-dtor)
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE ${TAG_MIRROR_WARNINGS}
  "$<$<COMPILE_LANGUAGE:CXX>:${TAG_MIRROR_CXX_WARNINGS}>")
option(TAG_MIRROR_WERROR "Treat warnings as errors" ON)
if(TAG_MIRROR_WERROR)
  target_compile_options(project_warnings INTERFACE -Werror)
endif()

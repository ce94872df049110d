# SPDX-License-Identifier: MIT
# The same source gives the same binaries wherever it is built: no path of
# the build machine goes into what is compiled. (The package's time stamps
# are the last commit's: packaging/package_config.cmake.)
add_compile_options(
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
  -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)

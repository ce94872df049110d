# SPDX-License-Identifier: MIT
# What a Debian package build would add: stack protector, fortified libc
# calls, PIE and full RELRO with immediate binding.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_library(project_hardening INTERFACE)
target_compile_options(project_hardening INTERFACE -fstack-protector-strong)
# _FORTIFY_SOURCE works only on optimised code and warns otherwise.
target_compile_definitions(project_hardening INTERFACE
  $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
target_link_options(project_hardening INTERFACE -Wl,-z,relro -Wl,-z,now)

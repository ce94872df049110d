# SPDX-License-Identifier: MIT
# TAG_MIRROR_SANITIZER=address builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, =thread with ThreadSanitizer: the program, the
# simulator whose threads call it, and the tests.
set(TAG_MIRROR_SANITIZER "" CACHE STRING "address (with undefined), thread, or empty")
set_property(CACHE TAG_MIRROR_SANITIZER PROPERTY STRINGS "" address thread)

if(TAG_MIRROR_SANITIZER STREQUAL "address")
  set(sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(TAG_MIRROR_SANITIZER STREQUAL "thread")
  set(sanitizer_flags -fsanitize=thread)
elseif(NOT TAG_MIRROR_SANITIZER STREQUAL "")
  message(FATAL_ERROR "TAG_MIRROR_SANITIZER='${TAG_MIRROR_SANITIZER}': use address, thread or nothing")
endif()
if(sanitizer_flags)
  add_compile_options(${sanitizer_flags} -fno-omit-frame-pointer)
  add_link_options(${sanitizer_flags})
endif()

# The product holds none of the test hooks' names (as 8-bit or UTF-16
# strings); the test variant holds them, which shows this check can see
# them. Run as: cmake -DPRODUCT=... -DVARIANT=... -P no_test_hooks.cmake
set(hooks "PARLIVOX_TEST_(ANSWERS|TYPE|REPORT)")
foreach(encoding UTF-8 UTF-16LE)
  file(STRINGS "${PRODUCT}" found LENGTH_MINIMUM 18 REGEX "${hooks}" ENCODING ${encoding})
  if(found)
    message(FATAL_ERROR "${PRODUCT} holds test hooks (${encoding}): ${found}")
  endif()
endforeach()
file(STRINGS "${VARIANT}" found LENGTH_MINIMUM 18 REGEX "${hooks}")
list(LENGTH found count)
if(count LESS 3)
  message(FATAL_ERROR "${VARIANT} holds ${count} of the 3 hooks: the check cannot see them")
endif()
message(STATUS "no test hook in ${PRODUCT}")

# The product holds none of the test hooks' names (as 8-bit or UTF-16
# strings); the test variant holds them all, which shows this check can see
# them. Run as: cmake -DPRODUCT=... -DVARIANT=... -P no_test_hooks.cmake
foreach(name PARLIVOX_TEST_ANSWERS PARLIVOX_TEST_TYPE PARLIVOX_TEST_REPORT)
  foreach(encoding UTF-8 UTF-16LE)
    file(STRINGS "${PRODUCT}" found REGEX "${name}" ENCODING ${encoding})
    if(found)
      message(FATAL_ERROR "${PRODUCT} holds the test hook ${name} (${encoding})")
    endif()
  endforeach()
  file(STRINGS "${VARIANT}" found REGEX "${name}")
  if(NOT found)
    message(FATAL_ERROR "${VARIANT} does not hold ${name}: the check cannot see it")
  endif()
endforeach()
message(STATUS "no test hook in ${PRODUCT}")

# The speech subsystem's own sources beyond the ones the skeleton lists.
target_sources(parlivox_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/speechtext.h ${CMAKE_CURRENT_LIST_DIR}/speechtext.cpp
)

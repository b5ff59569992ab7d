# The About box and the application object show the version the project is
# built as.
target_compile_definitions(parlivox_core PRIVATE
  PARLIVOX_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  PARLIVOX_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  PARLIVOX_VERSION_REVISION=${PROJECT_VERSION_PATCH})

# One interface target carries the project's warnings and sanitizer flags;
# every Vantry target links it privately.
add_library(vantry_options INTERFACE)
target_compile_options(vantry_options INTERFACE -Wall -Wextra)
target_compile_definitions(vantry_options INTERFACE
  VANTRY_VERSION="${PROJECT_VERSION}")

if(VANTRY_SANITIZE)
  target_compile_options(vantry_options INTERFACE
    -fsanitize=${VANTRY_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(vantry_options INTERFACE -fsanitize=${VANTRY_SANITIZE})
endif()

# Fuzz targets need every library instrumented for coverage.
if(VANTRY_BUILD_FUZZ)
  target_compile_options(vantry_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

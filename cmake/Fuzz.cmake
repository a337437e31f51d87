# Fuzz targets, included when TAVRO_FUZZ is ON (clang only): every
# *_fuzz.cpp becomes a libFuzzer executable, linked against the program's objects,
# which are then compiled with coverage instrumentation as well.
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DTAVRO_FUZZ=ON
#   cmake --build build-fuzz --target tavro_fuzz_all   (or one target by name)
#   build-fuzz/proxy_negotiator_fuzz -max_total_time=60   (scripts/fuzz runs them all)

function(tavro_add_fuzzers)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TAVRO_FUZZ needs clang (set CMAKE_CXX_COMPILER=clang++)")
  endif()
  # Undefined behaviour must stop the run, or the fuzzer never sees it.
  set(flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer -g)
  foreach(objects tavro_app_objects velmora_components_objects tavro_platform_net)
    target_compile_options(${objects} PRIVATE ${flags} -fsanitize=fuzzer-no-link)
  endforeach()
  file(GLOB_RECURSE fuzzers CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/app/*_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/components/*_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/support/*_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/platform/*_fuzz.cpp)
  list(FILTER fuzzers EXCLUDE REGEX "_win32_fuzz\\.cpp$")
  # scripts/fuzz builds them all at once.
  add_custom_target(tavro_fuzz_all)
  foreach(source ${fuzzers})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE tavro_core)
    target_compile_options(${name} PRIVATE ${flags} -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE ${flags} -fsanitize=fuzzer)
    add_dependencies(tavro_fuzz_all ${name})
  endforeach()
endfunction()

tavro_add_fuzzers()

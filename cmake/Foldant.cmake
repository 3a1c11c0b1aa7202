# foldant_library(NAME DEPS...): a static library from every .cpp file of the calling folder.
function(foldant_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARGN})
    # Coverage feedback reaches into the libraries only when they are instrumented too.
    if(FOLDANT_FUZZ AND FOLDANT_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# foldant_test(NAME DEPS...): one GoogleTest program from every .cpp file of the calling folder.
function(foldant_test name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    FOLDANT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    FOLDANT_BINARY_DIR="${CMAKE_BINARY_DIR}"
    FOLDANT_CORPUS_DIR="${PROJECT_SOURCE_DIR}/../shared/corpus")
  if(WIN32)
    target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/windows_compat.h)
    # Discovery starts each program under wine, whose first start in a prefix is slow.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 600)
  else()
    # The corpus-wide tests join and check every clean file in one test, which takes minutes on
    # a busy machine; a test that hangs is still stopped.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 1500)
  endif()
endfunction()

# foldant_fuzzer(NAME SOURCE DEPS...): a libFuzzer target, built only with clang and FOLDANT_FUZZ.
# Each runs for a few seconds as a test, on its seed folder when one exists.
function(foldant_fuzzer name source)
  if(NOT FOLDANT_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${source})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARGN})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=15 -rss_limit_mb=2048 -timeout=10)
endfunction()

# Adds every direct subfolder of the calling folder that has a CMakeLists.txt.
function(foldant_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# foldant_standalone_program(TARGET): a program that loads no window toolkit carries its own C++
# runtime and cryptography library. Loading and relocating the shared ones was a fifth of the
# time of joining ten small files. The module shares them with Qt's libraries and keeps the
# shared ones; sanitizer builds keep them too.
function(foldant_standalone_program target)
  if(NOT WIN32 AND NOT FOLDANT_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
    set_target_properties(${target} PROPERTIES FOLDANT_STANDALONE ON)
  endif()
endfunction()

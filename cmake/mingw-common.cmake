# Shared by both Windows toolchain files; FOLDANT_MINGW_TRIPLE names the target.
set(CMAKE_C_COMPILER ${FOLDANT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FOLDANT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FOLDANT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${FOLDANT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static archives only, so the programs need no runtime DLLs beside them.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_USE_STATIC_LIBS ON)
# Threads get the program's stack reserve; 8 MiB as on Linux, since the script engine allows a
# run 2 MiB of stack and Windows reserves only 2 MiB by default, which a deep script overflows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--stack,8388608")

# CTest runs the test programs under wine; FOLDANT_WINE may name another wine binary.
if(NOT DEFINED FOLDANT_WINE)
  set(FOLDANT_WINE wine)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${FOLDANT_WINE})

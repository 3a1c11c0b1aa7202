# Third-party libraries, found the same way for the Linux build and the Windows cross build.
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

# libgcrypt with its error library, for the digests and ciphers of the PDF security handler.
find_path(GCRYPT_INCLUDE_DIR gcrypt.h REQUIRED)
if(WIN32)
  # The archives themselves, not the import libraries of the DLLs beside them.
  find_library(GCRYPT_LIBRARY NAMES libgcrypt.a REQUIRED)
  find_library(GPG_ERROR_LIBRARY NAMES libgpg-error.a REQUIRED)
else()
  find_library(GCRYPT_LIBRARY gcrypt REQUIRED)
  find_library(GPG_ERROR_LIBRARY gpg-error REQUIRED)
  # Standalone programs (foldant_standalone_program) take the archives where Debian has them;
  # the module keeps the shared library, which the window toolkit's own libraries load too.
  find_library(GCRYPT_ARCHIVE libgcrypt.a)
  find_library(GPG_ERROR_ARCHIVE libgpg-error.a)
endif()
add_library(Foldant::gcrypt INTERFACE IMPORTED)
target_include_directories(Foldant::gcrypt INTERFACE ${GCRYPT_INCLUDE_DIR})
if(GCRYPT_ARCHIVE AND GPG_ERROR_ARCHIVE)
  set(standalone "$<BOOL:$<TARGET_PROPERTY:FOLDANT_STANDALONE>>")
  target_link_libraries(Foldant::gcrypt INTERFACE
    "$<IF:${standalone},${GCRYPT_ARCHIVE};${GPG_ERROR_ARCHIVE},${GCRYPT_LIBRARY};${GPG_ERROR_LIBRARY}>")
else()
  target_link_libraries(Foldant::gcrypt INTERFACE ${GCRYPT_LIBRARY} ${GPG_ERROR_LIBRARY})
endif()
if(WIN32)
  target_link_libraries(Foldant::gcrypt INTERFACE ws2_32)
endif()

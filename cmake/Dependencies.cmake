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
endif()
add_library(Foldant::gcrypt INTERFACE IMPORTED)
target_include_directories(Foldant::gcrypt INTERFACE ${GCRYPT_INCLUDE_DIR})
target_link_libraries(Foldant::gcrypt INTERFACE ${GCRYPT_LIBRARY} ${GPG_ERROR_LIBRARY})
if(WIN32)
  target_link_libraries(Foldant::gcrypt INTERFACE ws2_32)
endif()

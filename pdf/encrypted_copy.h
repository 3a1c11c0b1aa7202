#pragma once

#include <cstdint>
#include <string>

#include "pdf/byte_stream.h"
#include "pdf/pdf_library.h"

namespace foldant {

// Writes to the empty `destination` a copy of `source` whose strings and streams are encrypted
// at `level` with empty passwords and the permissions of the two flag bytes. False when the
// source is not a readable PDF (`failureCode` kNotReadable), already encrypted (kEncrypted,
// decided before any of its objects is read) or the level is unknown (kNoRefusal), and when
// nothing was written (kNotWritten).
bool EncryptedCopyStreams(TByteStream& source, TByteStream& destination, uint8_t permissionFlags,
                          uint8_t extraFlags, uint8_t level, TPdfLibrary::Refusal& failureCode);

// The same over files named by Windows-1252 paths: an existing destination is replaced by an
// empty file first, and stays empty after a refusal. Raises PdfError ("Error") when a file
// cannot be opened or created.
bool EncryptedCopyFiles(const std::string& source, const std::string& destination,
                        uint8_t permissionFlags, uint8_t extraFlags, uint8_t level,
                        TPdfLibrary::Refusal& failureCode);

}  // namespace foldant

#pragma once

// The texts the attachments window reads from and writes to the host's messages.

#include <string>
#include <vector>

namespace foldant {

// The extension from the last "." after the last folder delimiter, with its ASCII letters
// lowered, is exactly ".pdf".
bool IsPdfAttachment(const std::string& path);

// The lines of an "Attachments" text that name PDF files, in order.
std::vector<std::string> PdfAttachments(const std::string& attachments);

// Every line followed by CR LF.
std::string LinesWithCrLf(const std::vector<std::string>& lines);

// The header: the caption in bold (the tag is left open) and the database path in brackets.
std::string HeaderMarkup(const std::string& infoCaption, const std::string& dbPath);

}  // namespace foldant

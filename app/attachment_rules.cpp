#include "app/attachment_rules.h"

#include "util/file_utils.h"

namespace foldant {

bool IsPdfAttachment(const std::string& path) {
    std::size_t dot = path.find_last_of('.');
    std::size_t delimiter = path.find_last_of('/');
    if (dot == std::string::npos || (delimiter != std::string::npos && dot < delimiter)) {
        return false;
    }
    std::string extension = path.substr(dot);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension == ".pdf";
}

std::vector<std::string> PdfAttachments(const std::string& attachments) {
    std::vector<std::string> pdfs;
    for (auto& line : SplitLines(attachments)) {
        if (IsPdfAttachment(line)) {
            pdfs.push_back(std::move(line));
        }
    }
    return pdfs;
}

std::string LinesWithCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string HeaderMarkup(const std::string& infoCaption, const std::string& dbPath) {
    return "<b>" + infoCaption + " [" + dbPath + "]";
}

}  // namespace foldant

#pragma once

// Text codec of the main JSON model. JSON text is Windows-1252; the strings of the tree are
// UTF-16.

#include <memory>
#include <string>
#include <string_view>

#include "json/qv_json.h"

namespace foldant {

namespace platform {
class FileStream;
}

class TQvJSONText {
  public:
    // Nesting deeper than this makes the text unparsable instead of exhausting the stack.
    static constexpr int kMaxDepth = 512;

    // The root of a new tree, or nothing for text that is not JSON. Never raises.
    static std::unique_ptr<TQvCustomJSON> ParseJsonText(std::string_view text);
    // No whitespace at all.
    static std::string PrintCompact(const TQvCustomJSON& node);
    // Indented by two spaces per level, lines ending in CR LF, for showing data to people.
    static std::string PrintReadable(const TQvCustomJSON& node);
};

class TQvJSONStreamer : public TQvJSONText {
  public:
    // Nothing when either is missing.
    static void WriteNodeToStream(const TQvCustomJSON* node, platform::FileStream* stream);
    // Creates or overwrites the file, up to five attempts 100 ms apart; a failure of the last
    // attempt is not reported. Raises only for a path without a folder part.
    static void WriteNodeToFile(const TQvCustomJSON* node, const std::string& path);
};

}  // namespace foldant

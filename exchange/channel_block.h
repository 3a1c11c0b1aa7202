#pragma once

// The channel block: one NUL-terminated single-byte text at offset 0 of a shared-memory block
// that the host creates. Both sides write their latest message there, each write replacing the
// previous one; there is no lock, and readers notice a change by comparing texts.

#include <cstddef>
#include <string>

namespace foldant {

class TQvCustomJSON;

inline constexpr std::size_t kChannelBlockSize = 51200;
inline constexpr std::size_t kMaxChannelText = kChannelBlockSize - 1;

// Stores the text and its NUL in the block. Answers false when the block does not exist (nothing
// is written). Raises "WriteMMF: data to large" when the text is longer than 51,199 bytes or
// does not fit into the block with its NUL; the block then keeps its previous content.
bool WriteChannelText(const std::string& channel, const std::string& text);

// Prints the document compactly and stores it in the block, then waits 100 ms (painting only)
// so that the other side can read it before the next write replaces it. An empty channel name
// returns at once. Answers whether the text was written; raises as WriteChannelText does.
bool WriteMMF(const TQvCustomJSON& document, const std::string& channel);

// Stores an already printed text in the block and waits as WriteMMF does.
bool WriteMMFText(const std::string& text, const std::string& channel);

// The same JSON text with every \u escape of a character that Windows-1252 has a byte for from
// 128 up replaced by that byte: the block's text is Windows-1252, as the host's own messages are,
// and the euro sign then takes one byte instead of six.
std::string WithoutHighEscapes(const std::string& text);

// True and the block's text (up to the first NUL, and never beyond the block) when the block
// exists and holds a non-empty text. Only the first 51,200 bytes are looked at: a larger block
// without a NUL among them holds no message.
bool ReadMMF(const std::string& channel, std::string& text);

enum class TReplaceOutcome { Written, Changed, NoBlock };

// Stores replacement in the block only when the block still holds exactly `expected` (an empty
// text for a block that holds no message). The comparison and the write follow each other on
// the same mapping, so that a text the other side wrote after the caller's last read is never
// overwritten unseen; the unsynchronised block allows no closer guarantee than that.
TReplaceOutcome ReplaceUnchangedText(const std::string& channel, const std::string& expected,
                                     const std::string& replacement);

}  // namespace foldant

#include <cstdio>

#include "json/byte_buffer.h"
#include "json/json_number.h"
#include "json/json_text.h"
#include "platform/windows1252.h"

namespace foldant {
namespace {

void AppendEscapedString(ByteBuffer& out, std::u16string_view text) {
    out.Append('"');
    for (char c : Utf16ToAnsi(text)) {
        auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '"':
                out.Append("\\\"");
                break;
            case '\\':
                out.Append("\\\\");
                break;
            case '/':
                out.Append("\\/");
                break;
            case '\b':
                out.Append("\\b");
                break;
            case '\t':
                out.Append("\\t");
                break;
            case '\n':
                out.Append("\\n");
                break;
            case '\f':
                out.Append("\\f");
                break;
            case '\r':
                out.Append("\\r");
                break;
            case 0x80:
                out.Append("\\u20ac");
                break;
            default:
                if (byte < 32) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04X", byte);
                    out.Append(escape);
                } else {
                    out.Append(c);
                }
        }
    }
    out.Append('"');
}

class Printer {
  public:
    explicit Printer(bool readable) : readable_(readable) {}

    void Print(const TQvCustomJSON& node) {
        ++depth_;
        switch (node.Kind()) {
            case 1:
                out_.Append(GeneralNumberText(static_cast<const TUxJSONnumber&>(node).Value()));
                break;
            case 2:
                AppendEscapedString(out_, static_cast<const TUxJSONstring&>(node).Value());
                break;
            case 3:
                out_.Append(static_cast<const TUxJSONboolean&>(node).Value() ? "true" : "false");
                break;
            case 5:
                PrintContainer(node, '[', ']');
                break;
            case 6:
                PrintContainer(node, '{', '}');
                break;
            default:
                if (auto* pair = dynamic_cast<const TUxJSONobjectmethod*>(&node)) {
                    PrintMember(*pair);
                } else {
                    out_.Append("null");
                }
        }
        --depth_;
    }

    std::string Text() const { return out_.Text(); }

  private:
    void PrintContainer(const TQvCustomJSON& node, char open, char close) {
        out_.Append(open);
        if (readable_ && node.ChildCount() > 0) {
            out_.Append("\r\n");
        }
        for (int i = 0; i < node.ChildCount(); ++i) {
            if (i > 0) {
                out_.Append(readable_ ? ",\r\n" : ",");
            }
            Indent(depth_);
            Print(*node.ChildAt(i));
        }
        if (readable_ && node.ChildCount() > 0) {
            out_.Append("\r\n");
            Indent(depth_ - 1);
        }
        out_.Append(close);
    }

    // The value of a member is printed one level up, so that a nested container's closing
    // bracket lines up with the member.
    void PrintMember(const TUxJSONobjectmethod& pair) {
        AppendEscapedString(out_, pair.Name());
        out_.Append(':');
        --depth_;
        Print(*pair.Value());
        ++depth_;
    }

    void Indent(int depth) {
        if (readable_) {
            for (int i = 0; i < depth; ++i) {
                out_.Append("  ");
            }
        }
    }

    bool readable_;
    int depth_ = 0;
    ByteBuffer out_;
};

}  // namespace

std::string TQvJSONText::PrintCompact(const TQvCustomJSON& node) {
    Printer printer(false);
    printer.Print(node);
    return printer.Text();
}

std::string TQvJSONText::PrintReadable(const TQvCustomJSON& node) {
    Printer printer(true);
    printer.Print(node);
    return printer.Text();
}

}  // namespace foldant

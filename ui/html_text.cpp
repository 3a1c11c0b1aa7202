#include "ui/html_text.h"

#include <QRegularExpression>

namespace foldant {

namespace {

struct TTag {
    enum Kind { None, BoldOn, BoldOff, LinkOn, LinkOff } kind = None;
    QString link;
    qsizetype length = 0;
};

QString LinkTarget(const QString& attributes) {
    static const QRegularExpression href(
        R"re(^\s+href\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s"'>]+))\s*$)re",
        QRegularExpression::CaseInsensitiveOption);
    auto match = href.match(attributes);
    if (!match.hasMatch()) {
        return {};
    }
    for (int group = 1; group <= 3; ++group) {
        if (match.capturedStart(group) >= 0) {
            return match.captured(group);
        }
    }
    return {};
}

// The tag at position `at` (which holds "<"), or a tag of kind None when it is no tag of the
// subset.
TTag ReadTag(const QString& html, qsizetype at) {
    qsizetype end = html.indexOf('>', at);
    if (end < 0) {
        return {};
    }
    QString inner = html.mid(at + 1, end - at - 1);
    TTag tag;
    tag.length = end - at + 1;
    QString lower = inner.toLower();
    if (lower == "b") {
        tag.kind = TTag::BoldOn;
    } else if (lower == "/b") {
        tag.kind = TTag::BoldOff;
    } else if (lower == "/a") {
        tag.kind = TTag::LinkOff;
    } else if (lower.startsWith("a") && inner.size() > 1 && inner[1].isSpace()) {
        tag.link = LinkTarget(inner.mid(1));
        tag.kind = tag.link.isEmpty() ? TTag::None : TTag::LinkOn;
    }
    return tag;
}

struct TEntity {
    const char* name;
    QChar character;
};

const TEntity kEntities[] = {
    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&nbsp;", QChar(0xA0)}};

class TRunBuilder {
  public:
    void Append(QChar character) { current_.Text += character; }
    void Switch(bool bold, const QString& link) {
        if (bold == current_.Bold && link == current_.Link) {
            return;
        }
        Flush();
        current_.Bold = bold;
        current_.Link = link;
    }
    const THtmlRun& Current() const { return current_; }
    std::vector<THtmlRun> Finish() {
        Flush();
        return std::move(runs_);
    }

  private:
    void Flush() {
        if (!current_.Text.isEmpty()) {
            runs_.push_back(current_);
            current_.Text.clear();
        }
    }
    THtmlRun current_;
    std::vector<THtmlRun> runs_;
};

}  // namespace

std::vector<THtmlRun> ParseHtmlSubset(const QString& html) {
    TRunBuilder builder;
    qsizetype at = 0;
    while (at < html.size()) {
        QChar character = html[at];
        if (character == '<') {
            TTag tag = ReadTag(html, at);
            if (tag.kind != TTag::None) {
                const THtmlRun& current = builder.Current();
                bool bold = tag.kind == TTag::BoldOn    ? true
                            : tag.kind == TTag::BoldOff ? false
                                                        : current.Bold;
                QString link = tag.kind == TTag::LinkOn    ? tag.link
                               : tag.kind == TTag::LinkOff ? QString()
                                                           : current.Link;
                builder.Switch(bold, link);
                at += tag.length;
                continue;
            }
        } else if (character == '&') {
            bool replaced = false;
            for (const auto& entity : kEntities) {
                QString name = QString::fromLatin1(entity.name);
                if (html.mid(at, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
                    builder.Append(entity.character);
                    at += name.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced) {
                continue;
            }
        }
        builder.Append(character);
        ++at;
    }
    return builder.Finish();
}

}  // namespace foldant

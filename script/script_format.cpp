#include "script/script_format.h"

#include <cmath>
#include <cstdio>

#include "script/script_text.h"

namespace foldant {
namespace {

// Widths and precisions beyond this are refused rather than allocated.
constexpr int64_t kMaxWidth = 4096;

[[noreturn]] void FormatError(std::string_view format) {
    throw ScriptError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::string GroupThousands(const std::string& digits) {
    std::string out;
    size_t count = digits.size();
    for (size_t i = 0; i < count; ++i) {
        out += digits[i];
        size_t remaining = count - i - 1;
        if (remaining > 0 && remaining % 3 == 0) {
            out += ThousandSeparator();
        }
    }
    return out;
}

// The fixed-point text of value with the given number of decimals, optionally grouped.
// snprintf into a buffer of the size the result needs: fixed-point text of large numbers runs to
// hundreds of digits.
std::string Printed(const char* format, int precision, double value) {
    int length = std::snprintf(nullptr, 0, format, precision, value);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, precision, value);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string FixedText(double value, int decimals, bool grouped) {
    std::string text = Printed("%.*f", decimals, std::fabs(value));
    size_t point = text.find('.');
    std::string whole = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (grouped) {
        whole = GroupThousands(whole);
    }
    bool negative = value < 0 && text.find_first_not_of("0.") != std::string::npos;
    std::string out = negative ? "-" + whole : whole;
    if (!fraction.empty()) {
        out += DecimalSeparator();
        out += fraction;
    }
    return out;
}

std::string ScientificText(double value, int precision) {
    std::string text = Printed("%.*E", precision > 0 ? precision - 1 : 14, value);
    for (char& c : text) {
        if (c == '.') {
            c = DecimalSeparator();
        }
    }
    return text;
}

std::string Pad(std::string text, int64_t width, bool left) {
    if (static_cast<int64_t>(text.size()) < width) {
        std::string fill(static_cast<size_t>(width) - text.size(), ' ');
        text = left ? text + fill : fill + text;
    }
    return text;
}

}  // namespace

std::string FormatText(std::string_view format, const std::vector<ScriptValue>& args) {
    std::string out;
    size_t next = 0;
    size_t pos = 0;
    auto readNumber = [&](int64_t& number) {
        bool any = false;
        number = 0;
        while (pos < format.size() && format[pos] >= '0' && format[pos] <= '9') {
            number = number * 10 + (format[pos] - '0');
            if (number > kMaxWidth) {
                FormatError(format);
            }
            ++pos;
            any = true;
        }
        if (!any && pos < format.size() && format[pos] == '*') {
            ++pos;
            if (next >= args.size()) {
                FormatError(format);
            }
            number = args[next++].AsInt();
            if (number < 0 || number > kMaxWidth) {
                FormatError(format);
            }
            any = true;
        }
        return any;
    };
    while (pos < format.size()) {
        char c = format[pos++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (pos < format.size() && format[pos] == '%') {
            out += '%';
            ++pos;
            continue;
        }
        int64_t number = 0;
        size_t start = pos;
        if (readNumber(number) && pos < format.size() && format[pos] == ':') {
            next = static_cast<size_t>(number);
            ++pos;
        } else {
            pos = start;
        }
        bool left = false;
        if (pos < format.size() && format[pos] == '-') {
            left = true;
            ++pos;
        }
        int64_t width = 0;
        readNumber(width);
        int64_t precision = -1;
        if (pos < format.size() && format[pos] == '.') {
            ++pos;
            if (!readNumber(precision)) {
                precision = 0;
            }
        }
        if (pos >= format.size() || next >= args.size()) {
            FormatError(format);
        }
        char type = static_cast<char>(format[pos++] | 0x20);
        const ScriptValue& arg = args[next++];
        std::string text;
        switch (type) {
            case 'd':
            case 'u': {
                if (!(arg.Kind() == ValueKind::Integer || arg.Kind() == ValueKind::Boolean)) {
                    FormatError(format);
                }
                int64_t value = arg.AsInt();
                std::string digits = std::to_string(value < 0 ? 0 - static_cast<uint64_t>(value)
                                                              : static_cast<uint64_t>(value));
                while (static_cast<int64_t>(digits.size()) < precision) {
                    digits = "0" + digits;
                }
                text = value < 0 ? "-" + digits : digits;
                break;
            }
            case 'x': {
                if (arg.Kind() != ValueKind::Integer) {
                    FormatError(format);
                }
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "%llX",
                              static_cast<unsigned long long>(arg.AsInt()));
                text = buffer;
                while (static_cast<int64_t>(text.size()) < precision) {
                    text = "0" + text;
                }
                break;
            }
            case 's':
                if (arg.Kind() == ValueKind::Object || arg.Kind() == ValueKind::Array) {
                    FormatError(format);
                }
                text = arg.AsString();
                if (precision >= 0 && static_cast<size_t>(precision) < text.size()) {
                    text.resize(static_cast<size_t>(precision));
                }
                break;
            case 'f':
            case 'n':
            case 'm':
                if (!arg.IsNumeric()) {
                    FormatError(format);
                }
                text = FixedText(arg.AsDouble(), precision < 0 ? 2 : static_cast<int>(precision),
                                 type != 'f');
                break;
            case 'e':
                if (!arg.IsNumeric()) {
                    FormatError(format);
                }
                text = ScientificText(arg.AsDouble(),
                                      precision < 0 ? 15 : static_cast<int>(precision));
                break;
            case 'g':
                if (!arg.IsNumeric()) {
                    FormatError(format);
                }
                text = FloatToText(arg.AsDouble());
                break;
            default:
                FormatError(format);
        }
        out += Pad(std::move(text), width, left);
    }
    return out;
}

std::string FormatFloatText(std::string_view format, double value) {
    std::vector<std::string> sections{""};
    bool quoted = false;
    char quote = 0;
    for (char c : format) {
        if (quoted) {
            quoted = c != quote;
        } else if (c == '"' || c == '\'') {
            quoted = true;
            quote = c;
        } else if (c == ';') {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    std::string section = sections[0];
    bool negativeSection = false;
    if (value < 0 && sections.size() > 1 && !sections[1].empty()) {
        section = sections[1];
        negativeSection = true;
    } else if (value == 0 && sections.size() > 2 && !sections[2].empty()) {
        section = sections[2];
    }
    if (section.empty() || !std::isfinite(value)) {
        return FloatToText(value);
    }

    std::string prefix;
    std::string suffix;
    int minWhole = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouped = false;
    bool afterPoint = false;
    bool seenPlaceholder = false;
    int exponentDigits = -1;
    bool exponentSign = false;
    for (size_t i = 0; i < section.size(); ++i) {
        char c = section[i];
        std::string& literal = seenPlaceholder ? suffix : prefix;
        if (c == '"' || c == '\'') {
            size_t end = section.find(c, i + 1);
            if (end == std::string::npos) {
                end = section.size();
            }
            literal += section.substr(i + 1, end - i - 1);
            i = end;
        } else if ((c == 'E' || c == 'e') && i + 1 < section.size() &&
                   (section[i + 1] == '+' || section[i + 1] == '-')) {
            exponentSign = section[i + 1] == '+';
            exponentDigits = 0;
            i += 2;
            while (i < section.size() && section[i] == '0') {
                ++exponentDigits;
                ++i;
            }
            --i;
        } else if (c == '0' || c == '#') {
            seenPlaceholder = true;
            suffix.clear();
            if (afterPoint) {
                ++maxDecimals;
                if (c == '0') {
                    minDecimals = maxDecimals;
                }
            } else if (c == '0') {
                ++minWhole;
            }
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',') {
            grouped = true;
        } else {
            literal += c;
        }
    }
    if (!seenPlaceholder) {
        return prefix;
    }
    double magnitude = negativeSection ? std::fabs(value) : value;
    std::string number;
    if (exponentDigits >= 0) {
        int exponent =
            magnitude == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(magnitude))));
        exponent -= std::max(minWhole, 1) - 1;
        double mantissa = magnitude / std::pow(10.0, exponent);
        number = FixedText(mantissa, maxDecimals, false);
        std::string digits = std::to_string(std::abs(exponent));
        while (static_cast<int>(digits.size()) < exponentDigits) {
            digits = "0" + digits;
        }
        number += std::string("E") + (exponent < 0 ? "-" : exponentSign ? "+" : "") + digits;
    } else {
        number = FixedText(magnitude, maxDecimals, grouped);
        size_t point = number.find(DecimalSeparator());
        if (point != std::string::npos) {
            size_t keep = point + 1 + static_cast<size_t>(minDecimals);
            while (number.size() > keep && number.back() == '0') {
                number.pop_back();
            }
            if (number.back() == DecimalSeparator()) {
                number.pop_back();
            }
        }
        bool negative = !number.empty() && number[0] == '-';
        std::string body = negative ? number.substr(1) : number;
        size_t whole = body.find(DecimalSeparator());
        std::string wholePart = whole == std::string::npos ? body : body.substr(0, whole);
        std::string rest = whole == std::string::npos ? "" : body.substr(whole);
        if (wholePart == "0" && minWhole == 0 && !rest.empty()) {
            wholePart.clear();
        }
        int digitCount = 0;
        for (char d : wholePart) {
            digitCount += d >= '0' && d <= '9';
        }
        while (digitCount < minWhole) {
            wholePart = "0" + wholePart;
            ++digitCount;
        }
        if (grouped && minWhole > 3) {
            std::string plain;
            for (char d : wholePart) {
                if (d != ThousandSeparator()) {
                    plain += d;
                }
            }
            wholePart = GroupThousands(plain);
        }
        number = (negative ? "-" : "") + wholePart + rest;
    }
    return prefix + number + suffix;
}

std::string FormatMaskedText(std::string_view mask, std::string_view value) {
    std::string edit(mask);
    bool saveLiterals = true;
    char blank = '_';
    size_t semicolon = edit.rfind(';');
    if (semicolon != std::string::npos && semicolon > 0 && edit[semicolon - 1] != '\\') {
        std::string tail = edit.substr(semicolon + 1);
        std::string head = edit.substr(0, semicolon);
        size_t second = head.rfind(';');
        if (second != std::string::npos && second > 0 && head[second - 1] != '\\') {
            saveLiterals = head.substr(second + 1) != "0";
            blank = tail.empty() ? ' ' : tail[0];
            edit = head.substr(0, second);
        } else {
            saveLiterals = tail != "0";
            edit = head;
        }
    }
    std::string out;
    size_t in = 0;
    int caseMode = 0;
    for (size_t i = 0; i < edit.size(); ++i) {
        char m = edit[i];
        if (m == '!') {
            continue;
        }
        if (m == '>' || m == '<') {
            if (m == '<' && i + 1 < edit.size() && edit[i + 1] == '>') {
                caseMode = 0;
                ++i;
            } else {
                caseMode = m == '>' ? 1 : -1;
            }
            continue;
        }
        bool placeholder = std::string_view("09#LlAaCc").find(m) != std::string_view::npos;
        if (!placeholder) {
            char literal = m;
            if (m == '\\' && i + 1 < edit.size()) {
                literal = edit[++i];
            } else if (m == ':' || m == '/') {
                literal = m;
            }
            out += literal;
            if (saveLiterals && in < value.size()) {
                ++in;
            }
            continue;
        }
        char c = in < value.size() ? value[in++] : blank;
        if (caseMode > 0) {
            c = AnsiUpperChar(c);
        } else if (caseMode < 0) {
            c = AnsiLowerChar(c);
        }
        out += c;
    }
    return out;
}

}  // namespace foldant

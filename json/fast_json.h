#pragma once

// The lightweight JSON model: lenient parsing by cutting the text at top-level separators, all
// text as Windows-1252 bytes, member lookups that add a missing member, and compact output in
// pure ASCII. Errors are JsonError with the text "<class>message".

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace foldant {

enum class TJsonValueType { jvNone, jvNull, jvString, jvNumber, jvBoolean, jvObject, jvArray };

const char* ValueTypeName(TJsonValueType kind);

class TJsonPair;

class TJsonBase {
  public:
    explicit TJsonBase(TJsonBase* owner) : owner_(owner) {}
    virtual ~TJsonBase() = default;
    TJsonBase(const TJsonBase&) = delete;
    TJsonBase& operator=(const TJsonBase&) = delete;

    TJsonBase* Owner() const { return owner_; }
    virtual const char* ClassName() const = 0;

  protected:
    [[noreturn]] void RaiseError(const std::string& message) const;
    // Quotes the first 100 characters of the offending text.
    [[noreturn]] void RaiseParseError(std::string_view text) const;
    [[noreturn]] void RaiseValueTypeError(TJsonValueType from, TJsonValueType to) const;

  private:
    // The name of the nearest pair at or above this node; empty when there is none.
    std::string EnclosingPairName() const;

    TJsonBase* owner_;
};

class TJsonObject;
class TJsonArray;

class TJsonValue : public TJsonBase {
  public:
    explicit TJsonValue(TJsonBase* owner);
    ~TJsonValue() override;
    const char* ClassName() const override { return "TJsonValue"; }

    TJsonValueType Kind() const { return kind_; }

    // A value without content becomes an empty array or object; another kind raises the value
    // type error.
    TJsonArray& AsArray();
    TJsonObject& AsObject();
    std::string AsText() const;
    double AsNumber() const;
    bool AsBoolean() const;

    void SetText(std::string text);
    void SetNumber(double number);
    void SetBoolean(bool value);
    void SetNull();

    void Parse(std::string_view text, int depth);
    void AppendText(std::string& out) const;

  private:
    void Reset(TJsonValueType kind);

    TJsonValueType kind_ = TJsonValueType::jvNone;
    std::string text_;
    double number_ = 0;
    bool boolean_ = false;
    std::unique_ptr<TJsonObject> object_;
    std::unique_ptr<TJsonArray> array_;
};

class TJsonArray : public TJsonBase {
  public:
    using TJsonBase::TJsonBase;
    const char* ClassName() const override { return "TJsonArray"; }

    int Count() const { return static_cast<int>(items_.size()); }
    // Raises the list index error outside 0 to Count() - 1.
    TJsonValue& Item(int index) const;
    TJsonValue& Add();

    void Parse(std::string_view text, int depth);
    void AppendText(std::string& out) const;

  private:
    std::vector<std::unique_ptr<TJsonValue>> items_;
};

class TJsonPair : public TJsonBase {
  public:
    TJsonPair(TJsonBase* owner, std::string name);
    const char* ClassName() const override { return "TJsonPair"; }

    const std::string& Name() const { return name_; }
    TJsonValue& Value() const { return *value_; }

    void Parse(std::string_view text, int depth);
    void AppendText(std::string& out) const;

  private:
    std::string name_;
    std::unique_ptr<TJsonValue> value_;
};

class TJsonObject : public TJsonBase {
  public:
    using TJsonBase::TJsonBase;
    const char* ClassName() const override { return "TJsonObject"; }

    // The first member of that name, letters compared without regard to ASCII case; a missing
    // member is appended without a value.
    TJsonValue& Member(std::string_view name);
    int Count() const { return static_cast<int>(pairs_.size()); }
    // Raises the list index error outside 0 to Count() - 1.
    TJsonPair& Pair(int index) const;
    TJsonPair& Add(std::string name);

    void Parse(std::string_view text, int depth);
    void AppendText(std::string& out) const;

  private:
    std::vector<std::unique_ptr<TJsonPair>> pairs_;
};

class TFastJSON : public TJsonBase {
  public:
    // Nesting deeper than this is a parse error instead of a recursion without bound.
    static constexpr int kMaxDepth = 512;

    TFastJSON();
    ~TFastJSON() override;
    const char* ClassName() const override { return "TFastJSON"; }

    void Clear();
    void Parse(std::string_view text);
    // A file that cannot be read or parsed falls back to the file of the same name with the
    // extension ".~json" when tryBackup is set; raiseErrors passes the first failure on.
    void LoadFromFile(const std::string& fileName, bool tryBackup, bool raiseErrors);

    // Turns an empty document into an object; raises for a document whose root is an array.
    TJsonValue& Member(std::string_view name);
    std::string ToText() const;

    TJsonValueType RootKind() const;
    // Nothing unless the root has that kind.
    TJsonObject* RootObject() const { return object_.get(); }
    TJsonArray* RootArray() const { return array_.get(); }

  private:
    std::unique_ptr<TJsonObject> object_;
    std::unique_ptr<TJsonArray> array_;
};

// The system's list index error, with the index filled in.
std::string ListIndexErrorText(int index);

}  // namespace foldant

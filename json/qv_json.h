#pragma once

// The main JSON document model: a tree of owned nodes whose strings are UTF-16. Objects index
// their members by name; names are literal ("Merged.Success" is one name).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "json/bal_tree.h"

namespace foldant {

// A fixed-point amount with four decimal places, held as the amount times 10,000.
struct Currency {
    int64_t scaled = 0;
    friend bool operator==(const Currency&, const Currency&) = default;
};

// What the generic value operations exchange: null, Boolean, integer, floating-point, currency
// or text.
using JsonScalar = std::variant<std::monostate, bool, int64_t, double, Currency, std::u16string>;

class TQvCustomJSON {
  public:
    virtual ~TQvCustomJSON() = default;
    TQvCustomJSON() = default;
    TQvCustomJSON(const TQvCustomJSON&) = delete;
    TQvCustomJSON& operator=(const TQvCustomJSON&) = delete;

    // Names and texts are Windows-1252. On any node but an object these give the value to the
    // node that Lookup finds for name.
    virtual void SetBoolMember(std::string_view name, bool value);
    virtual void SetIntMember(std::string_view name, int32_t value);
    virtual void SetCurrencyMember(std::string_view name, Currency value);
    virtual void SetFloatMember(std::string_view name, double value);
    virtual void SetTextMember(std::string_view name, std::string_view value);

    virtual JsonScalar ReadValue() const { return {}; }
    // Raises JsonError when the node cannot take the value; the node is then unchanged.
    virtual void WriteValue(const JsonScalar&) {}

    virtual TQvCustomJSON* ChildAt(int) const { return nullptr; }
    virtual void ReplaceChildAt(int, std::unique_ptr<TQvCustomJSON>) {}
    virtual int ChildCount() const { return 0; }
    virtual TQvCustomJSON* Lookup(const JsonScalar&) { return this; }

    virtual int Kind() const { return 0; }
    virtual const char* KindName() const { return "js_Base"; }

  protected:
    void WriteToLookedUp(std::string_view name, const JsonScalar& value);
};

class TUxJSONnumber : public TQvCustomJSON {
  public:
    explicit TUxJSONnumber(double value = 0) : value_(value) {}
    double Value() const { return value_; }

    JsonScalar ReadValue() const override { return value_; }
    void WriteValue(const JsonScalar& value) override;
    int Kind() const override { return 1; }
    const char* KindName() const override { return "js_Number"; }

  private:
    double value_;
};

class TUxJSONstring : public TQvCustomJSON {
  public:
    explicit TUxJSONstring(std::u16string value = {}) : value_(std::move(value)) {}
    const std::u16string& Value() const { return value_; }

    JsonScalar ReadValue() const override { return value_; }
    void WriteValue(const JsonScalar& value) override;
    int Kind() const override { return 2; }
    const char* KindName() const override { return "js_String"; }

  private:
    std::u16string value_;
};

class TUxJSONboolean : public TQvCustomJSON {
  public:
    explicit TUxJSONboolean(bool value = false) : value_(value) {}
    bool Value() const { return value_; }

    JsonScalar ReadValue() const override { return value_; }
    void WriteValue(const JsonScalar& value) override;
    int Kind() const override { return 3; }
    const char* KindName() const override { return "js_Boolean"; }

  private:
    bool value_;
};

class TUxJSONnull : public TQvCustomJSON {
  public:
    int Kind() const override { return 4; }
    const char* KindName() const override { return "js_Null"; }
};

// A member of an object: its name and its owned value node.
class TUxJSONobjectmethod : public TQvCustomJSON {
  public:
    TUxJSONobjectmethod(std::u16string name, std::unique_ptr<TQvCustomJSON> value)
        : name_(std::move(name)), value_(std::move(value)) {}
    const std::u16string& Name() const { return name_; }
    TQvCustomJSON* Value() const { return value_.get(); }

  private:
    std::u16string name_;
    std::unique_ptr<TQvCustomJSON> value_;
};

class TUxJSONcustomlist : public TQvCustomJSON {
  public:
    ~TUxJSONcustomlist() override;

    TQvCustomJSON* ChildAt(int index) const override;
    void ReplaceChildAt(int index, std::unique_ptr<TQvCustomJSON> node) override;
    int ChildCount() const override { return static_cast<int>(children_.size()); }
    TQvCustomJSON* Lookup(const JsonScalar& key) override;

    // name receives the decimal index (list) or the member name in Windows-1252 (object).
    virtual TQvCustomJSON* EntryAt(int index, std::string& name) const;
    // Answers the new position, or -1 (and appends nothing) for a missing node.
    virtual int AppendNode(std::unique_ptr<TQvCustomJSON> node);
    // The last child moves into the freed place.
    virtual void RemoveAt(int index);
    virtual int PositionOf(const TQvCustomJSON* node) const;

    // The value at index must have the kind asked for (JsonError otherwise); a missing one
    // answers the default.
    virtual int32_t IntAt(int index) const;
    virtual std::string TextAt(int index) const;
    virtual std::u16string WideTextAt(int index) const;
    virtual double FloatAt(int index) const;
    virtual bool BoolAt(int index) const;

  protected:
    bool ValidIndex(int index) const { return index >= 0 && index < ChildCount(); }
    // The node whose value IntAt and its siblings read.
    virtual TQvCustomJSON* ValueAt(int index) const { return ChildAt(index); }

    std::vector<std::unique_ptr<TQvCustomJSON>> children_;

  private:
    const TQvCustomJSON* ValueOfKind(int index, int kind, const char* kindName) const;
};

class TQvSONList : public TUxJSONcustomlist {
  public:
    int AddItem(std::unique_ptr<TQvCustomJSON> node) { return AppendNode(std::move(node)); }

    int Kind() const override { return 5; }
    const char* KindName() const override { return "js_List"; }
};

class TQvJSON : public TUxJSONcustomlist {
  public:
    void SetBoolMember(std::string_view name, bool value) override;
    void SetIntMember(std::string_view name, int32_t value) override;
    void SetCurrencyMember(std::string_view name, Currency value) override;
    void SetFloatMember(std::string_view name, double value) override;
    void SetTextMember(std::string_view name, std::string_view value) override;

    TQvCustomJSON* Lookup(const JsonScalar& key) override;
    TQvCustomJSON* EntryAt(int index, std::string& name) const override;
    // Only member pairs are taken; any other node is dropped and -1 answered.
    int AppendNode(std::unique_ptr<TQvCustomJSON> node) override;
    void ReplaceChildAt(int index, std::unique_ptr<TQvCustomJSON> node) override;
    void RemoveAt(int index) override;

    int Kind() const override { return 6; }
    const char* KindName() const override { return "js_Object"; }

    // A repeated name adds a second member, but lookups by name keep finding the first.
    int AddMember(std::u16string name, std::unique_ptr<TQvCustomJSON> node);
    int IndexOfMember(std::u16string_view name) const { return index_.Find(name); }
    TQvCustomJSON* MemberByName(std::u16string_view name) const;
    std::u16string MemberNameAt(int index) const;
    // The value of the first member that has the name of member index.
    TQvCustomJSON* MemberValueAt(int index) const;
    TUxJSONobjectmethod* PairAt(int index) const;

  protected:
    TQvCustomJSON* ValueAt(int index) const override { return MemberValueAt(index); }

  private:
    void SetMember(std::string_view name, JsonScalar value, std::unique_ptr<TQvCustomJSON> fresh);
    void RebuildIndex();

    TUxBalTree index_;
};

// Reading functions over any node; a missing node reads as nothing. Names are Windows-1252.
TQvCustomJSON* JsonFindNode(TQvCustomJSON* node, std::string_view name);
std::string JsonReadText(TQvCustomJSON* node, std::string_view name);
bool JsonReadBool(TQvCustomJSON* node, std::string_view name);
TQvCustomJSON* JsonChild(TQvCustomJSON* node, int index);

// Conversions of a JsonScalar; text is Windows-1252.
std::string ScalarToText(const JsonScalar& value);
bool ScalarToBool(const JsonScalar& value);

}  // namespace foldant

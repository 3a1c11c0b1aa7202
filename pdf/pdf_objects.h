#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace foldant {

class TPDFStructure;
class TPDFName;
class TPDFIndRef;

// A PDF value in memory. Objects never own one another: each belongs to the store that created
// it, and containers only hold pointers to objects of the same store.
class TPDFObject {
  public:
    TPDFObject(TPDFStructure& owner, char typeTag) : Owner(owner), TypeTag(typeTag) {}
    virtual ~TPDFObject() = default;
    TPDFObject(const TPDFObject&) = delete;
    TPDFObject& operator=(const TPDFObject&) = delete;

    virtual bool IsChanged() const { return Changed; }
    // The object in PDF syntax; numbers that cannot be formatted raise std::range_error.
    virtual std::string WriteToText() const = 0;
    // Asks the store to remove the object (containers ask for their members first).
    virtual void Release();
    virtual void ShiftObjectNumbers(int32_t /*delta*/) {}
    // True if `object` is a direct member of this one.
    virtual bool RefersTo(const TPDFObject& /*object*/) const { return false; }

    void SetChanged(bool flag) { Changed = flag; }
    void SetIndirect(int32_t objectNumber, int32_t generation);

    TPDFStructure& Owner;
    bool IsIndirect = false;
    int32_t ObjectNumber = 0;
    int32_t Generation = 0;
    bool Changed = false;
    const char TypeTag;
};

class TPDFNull : public TPDFObject {
  public:
    static constexpr char kTag = '0';
    explicit TPDFNull(TPDFStructure& owner) : TPDFObject(owner, kTag) {}
    std::string WriteToText() const override { return "null"; }
};

class TPDFBoolean : public TPDFObject {
  public:
    static constexpr char kTag = 'B';
    TPDFBoolean(TPDFStructure& owner, bool value) : TPDFObject(owner, kTag), Value(value) {}
    std::string WriteToText() const override { return Value ? "true" : "false"; }
    void SetValue(bool value) { Value = value; }

    bool Value;
};

class TPDFNumeric : public TPDFObject {
  public:
    static constexpr char kTag = 'n';
    TPDFNumeric(TPDFStructure& owner, double value) : TPDFObject(owner, kTag), Value(value) {}
    std::string WriteToText() const override;
    void SetValue(double value);
    // Rounded to the nearest integer (ties to even), low 32 bits; 0 when it cannot be rounded.
    int32_t AsInteger() const;

    double Value;
    // Read from a file: written back with its own value rather than rounded to the store's
    // precision, so a copied page keeps every digit its content relies on.
    bool FromFile = false;
};

class TPDFName : public TPDFObject {
  public:
    static constexpr char kTag = 'N';
    TPDFName(TPDFStructure& owner, std::string value)
        : TPDFObject(owner, kTag), Value(std::move(value)) {}
    std::string WriteToText() const override;
    void SetValue(std::string value);

    std::string Value;
    bool Shared = false;
};

class TPDFString : public TPDFObject {
  public:
    static constexpr char kTag = 's';
    static constexpr uint8_t kLiteral = 0;
    static constexpr uint8_t kHexadecimal = 1;

    TPDFString(TPDFStructure& owner, std::string value, uint8_t mode)
        : TPDFObject(owner, kTag), Value(std::move(value)), Mode(mode) {}
    std::string WriteToText() const override;
    void SetValue(std::string value);

    std::string Value;
    uint8_t Mode;
};

class TPDFArray : public TPDFObject {
  public:
    static constexpr char kTag = 'A';
    explicit TPDFArray(TPDFStructure& owner) : TPDFObject(owner, kTag) {}
    bool IsChanged() const override;
    std::string WriteToText() const override;
    void Release() override;
    void ShiftObjectNumbers(int32_t delta) override;
    bool RefersTo(const TPDFObject& object) const override;

    void Add(TPDFObject& object);
    // Keeps room for `n` items still to come.
    void Reserve(int32_t n);
    int32_t Count() const { return static_cast<int32_t>(Items.size()); }
    TPDFObject* Item(int32_t index) const;
    void SetItem(int32_t index, TPDFObject& object);
    int32_t IndexOfText(const TPDFObject& object) const;

    int32_t Reserved = 0;
    std::vector<TPDFObject*> Items;
};

class TPDFDictionary : public TPDFObject {
  public:
    static constexpr char kTag = 'D';
    using Entry = std::pair<TPDFName*, TPDFObject*>;

    explicit TPDFDictionary(TPDFStructure& owner) : TPDFObject(owner, kTag) {}
    bool IsChanged() const override;
    std::string WriteToText() const override;
    void Release() override;
    void ShiftObjectNumbers(int32_t delta) override;
    bool RefersTo(const TPDFObject& object) const override;

    int32_t IndexOfKey(std::string_view name) const;
    void SetEntry(TPDFName& key, TPDFObject& value);
    void Add(std::string_view name, TPDFObject& value);
    // The entry's value; with `resolve`, a reference is replaced by the object it refers to.
    TPDFObject* GetValue(std::string_view name, bool resolve = false) const;
    std::string GetTypeName() const;
    int32_t GetInteger(std::string_view name, int32_t defaultValue) const;
    void RemoveKey(std::string_view name);
    void DeleteKey(std::string_view name);
    void Assign(const TPDFDictionary& source);
    int32_t EntryCount() const { return static_cast<int32_t>(Entries.size()); }
    Entry EntryAt(int32_t index) const;

    std::vector<Entry> Entries;
};

class TPDFStream : public TPDFObject {
  public:
    static constexpr char kTag = 'S';
    TPDFStream(TPDFStructure& owner, TPDFDictionary& dictionary, std::string data)
        : TPDFObject(owner, kTag), Dictionary(&dictionary), Data(std::move(data)) {}
    std::string WriteToText() const override;
    void Release() override;
    void ShiftObjectNumbers(int32_t delta) override;
    bool RefersTo(const TPDFObject& object) const override;

    // Data decoded through the filters named in the dictionary.
    std::string GetDecodedData() const;
    void SetDictionary(TPDFDictionary& dictionary);
    void SetRawData(std::string bytes);
    void SetData(const std::string& bytes, bool compress);
    std::string GetTypeName() const { return Dictionary->GetTypeName(); }

    TPDFDictionary* Dictionary;
    std::string Data;
    // A slot for the document layer; the stream neither reads nor frees it.
    void* Attachment = nullptr;
};

class TPDFIndRef : public TPDFObject {
  public:
    static constexpr char kTag = 'I';
    TPDFIndRef(TPDFStructure& owner, int32_t number, int32_t generation)
        : TPDFObject(owner, kTag), RefGeneration(generation), RefNumber(number) {}
    std::string WriteToText() const override;
    void ShiftObjectNumbers(int32_t delta) override;
    // The referenced object through the store's resolver; none without one.
    TPDFObject* Resolve() const;

    int32_t RefGeneration;
    int32_t RefNumber;
};

// The number in PDF syntax with `precision` digits after the point at most; raises
// std::range_error when the scaled value does not fit a 64-bit integer.
std::string FormatNumber(double value, int32_t precision);
// The shortest text without an exponent that reads back as the same double; integers without a
// point. Raises std::range_error for infinities and NaN.
std::string ExactNumberText(double value);

// The owner of PDF objects: creates them, keeps them in slots and frees them.
class TPDFStructure {
  public:
    using ResolveReference =
        std::function<TPDFObject*(TPDFIndRef& reference, int32_t number, int32_t generation)>;
    using MakeIndirect = std::function<void(TPDFObject& asking, int32_t& number, TPDFObject& object,
                                            int32_t& generation)>;

    TPDFStructure() { Clear(); }
    ~TPDFStructure();
    TPDFStructure(const TPDFStructure&) = delete;
    TPDFStructure& operator=(const TPDFStructure&) = delete;

    void Clear();
    int32_t Count() const { return static_cast<int32_t>(objects_.size()) - FreeSlots; }
    int32_t SlotCount() const { return static_cast<int32_t>(objects_.size()); }
    TPDFObject* At(int32_t slot) const;
    void Add(std::unique_ptr<TPDFObject> object);
    void Remove(TPDFObject& object);
    void Reserve(int32_t n);

    TPDFNull& NewNull();
    TPDFBoolean& NewBoolean(bool value);
    TPDFNumeric& NewNumber(double value);
    TPDFName& NewName(std::string text);
    TPDFName& KeyName(std::string_view text);
    TPDFName* FindName(std::string_view text) const;
    TPDFString& NewString(std::string bytes, uint8_t mode);
    TPDFArray& NewArray();
    TPDFArray& NewArrayOf(const std::vector<TPDFObject*>& objects);
    TPDFArray& NewIntegerArray(const std::vector<int32_t>& integers);
    TPDFArray& NewRealArray(const std::vector<double>& values);
    TPDFDictionary& NewDictionary();
    TPDFIndRef& NewReference(int32_t objectNumber, int32_t generation);
    TPDFStream& NewStream(const std::string& data, bool compress);
    TPDFStream& NewStreamFrom(std::string data, TPDFDictionary& dictionary);
    // `object` and everything it contains rebuilt from this store's objects, so that a value of
    // another store can be changed here without changing it there. Raises std::length_error
    // for containers nested deeper than any parse makes them.
    TPDFObject& CopyOf(const TPDFObject& object);

    // One object from the start of `text`; never none (a null when nothing could be read).
    TPDFObject& Parse(std::string_view text);
    // One object at the 1-based position `start`; `consumed` counts the characters read,
    // leading blanks and comments included, and is 0 when nothing could be read.
    TPDFObject& ParseAt(std::string_view text, int64_t start, int64_t& consumed);

    int32_t FreeSlots = 0;
    ResolveReference OnResolveReference;
    MakeIndirect OnMakeIndirect;
    int32_t Precision = 4;

  private:
    TPDFObject& CopyOf(const TPDFObject& object, int depth);

    template <class T, class... Args>
    T& Make(Args&&... args) {
        auto object = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& result = *object;
        Add(std::move(object));
        return result;
    }

    std::vector<std::unique_ptr<TPDFObject>> objects_;
};

// Dictionary keys whose name objects a store shares between dictionaries.
bool IsSharedKeyName(std::string_view name);

// The object as class T when its type tag says so, otherwise none.
template <class T>
T* As(TPDFObject* object) {
    return object != nullptr && object->TypeTag == T::kTag ? static_cast<T*>(object) : nullptr;
}

}  // namespace foldant

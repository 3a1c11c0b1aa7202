#include <algorithm>
#include <stdexcept>

#include "pdf/pdf_objects.h"

namespace foldant {

namespace {

constexpr std::string_view kSharedKeyNames =
    "[MediaBox][Length][CropBox][Type][Subtype][Name][Pages][Page][Parent][Font][Contents]"
    "[BaseFont][PDF][Text][ImageB][ImageC][ImageI][Resources][ProcSet][ExtGState][Type1]"
    "[TrueType][WinAnsiEncoding][Filter][FlateDecode][Annot][URI][Goto][XYZ][iSTV][Tavrin]";

// A full store doubles its slots, from this many: most stores hold a few objects (one object
// being copied, one page of a walk), and making and freeing thousands of empty slots for each
// would cost more than the objects themselves.
constexpr int32_t kFirstSlots = 16;
// Deeper than any object the parser builds; only a container made to contain itself gets there.
constexpr int kMaxCopyDepth = 1024;

}  // namespace

bool IsSharedKeyName(std::string_view name) {
    std::string bracketed;
    bracketed.reserve(name.size() + 2);
    bracketed += '[';
    bracketed += name;
    bracketed += ']';
    return kSharedKeyNames.find(bracketed) != std::string_view::npos;
}

TPDFStructure::~TPDFStructure() {
    const auto used = objects_.begin() + Count();
    for (auto object = objects_.begin(); object != used; ++object) {
        object->reset();
    }
}

void TPDFStructure::Clear() {
    Precision = 4;
    objects_.clear();
    FreeSlots = 0;
}

TPDFObject* TPDFStructure::At(int32_t slot) const {
    return slot >= 0 && slot < Count() ? objects_[static_cast<size_t>(slot)].get() : nullptr;
}

void TPDFStructure::Add(std::unique_ptr<TPDFObject> object) {
    if (FreeSlots == 0) {
        Reserve(std::max(kFirstSlots, Count()));
    }
    objects_[objects_.size() - static_cast<size_t>(FreeSlots)] = std::move(object);
    --FreeSlots;
}

void TPDFStructure::Reserve(int32_t n) {
    if (FreeSlots < n) {
        objects_.resize(objects_.size() + static_cast<size_t>(n - FreeSlots));
        FreeSlots = n;
    }
}

void TPDFStructure::Remove(TPDFObject& object) {
    int32_t slot = Count() - 1;
    while (slot >= 0 && objects_[static_cast<size_t>(slot)].get() != &object) {
        --slot;
    }
    if (slot < 0) {
        return;
    }
    if (auto* name = As<TPDFName>(&object); name != nullptr && name->Shared) {
        return;
    }
    for (int32_t i = 0; i < Count(); ++i) {
        if (objects_[static_cast<size_t>(i)]->RefersTo(object)) {
            return;
        }
    }
    auto used = objects_.begin() + Count();
    std::move(objects_.begin() + slot + 1, used, objects_.begin() + slot);
    (used - 1)->reset();
    ++FreeSlots;
}

TPDFNull& TPDFStructure::NewNull() {
    return Make<TPDFNull>();
}

TPDFBoolean& TPDFStructure::NewBoolean(bool value) {
    return Make<TPDFBoolean>(value);
}

TPDFNumeric& TPDFStructure::NewNumber(double value) {
    return Make<TPDFNumeric>(value);
}

TPDFName& TPDFStructure::NewName(std::string text) {
    return Make<TPDFName>(std::move(text));
}

TPDFName& TPDFStructure::KeyName(std::string_view text) {
    TPDFName* name = IsSharedKeyName(text) ? FindName(text) : nullptr;
    if (name == nullptr) {
        name = &NewName(std::string(text));
    }
    name->Shared = true;
    return *name;
}

TPDFName* TPDFStructure::FindName(std::string_view text) const {
    for (int32_t i = 0; i < Count(); ++i) {
        if (auto* name = As<TPDFName>(objects_[static_cast<size_t>(i)].get());
            name != nullptr && name->Value == text) {
            return name;
        }
    }
    return nullptr;
}

TPDFString& TPDFStructure::NewString(std::string bytes, uint8_t mode) {
    return Make<TPDFString>(std::move(bytes), mode);
}

TPDFArray& TPDFStructure::NewArray() {
    return Make<TPDFArray>();
}

TPDFArray& TPDFStructure::NewArrayOf(const std::vector<TPDFObject*>& objects) {
    TPDFArray& array = NewArray();
    for (TPDFObject* object : objects) {
        if (object != nullptr) {
            array.Add(*object);
        }
    }
    return array;
}

TPDFArray& TPDFStructure::NewIntegerArray(const std::vector<int32_t>& integers) {
    TPDFArray& array = NewArray();
    for (int32_t value : integers) {
        array.Add(NewNumber(value));
    }
    return array;
}

TPDFArray& TPDFStructure::NewRealArray(const std::vector<double>& values) {
    TPDFArray& array = NewArray();
    for (double value : values) {
        array.Add(NewNumber(value));
    }
    return array;
}

TPDFDictionary& TPDFStructure::NewDictionary() {
    return Make<TPDFDictionary>();
}

TPDFIndRef& TPDFStructure::NewReference(int32_t objectNumber, int32_t generation) {
    return Make<TPDFIndRef>(objectNumber, generation);
}

TPDFStream& TPDFStructure::NewStream(const std::string& data, bool compress) {
    TPDFStream& stream = Make<TPDFStream>(NewDictionary(), std::string());
    stream.SetData(data, compress);
    return stream;
}

TPDFStream& TPDFStructure::NewStreamFrom(std::string data, TPDFDictionary& dictionary) {
    return Make<TPDFStream>(dictionary, std::move(data));
}

TPDFObject& TPDFStructure::CopyOf(const TPDFObject& object) {
    return CopyOf(object, 0);
}

TPDFObject& TPDFStructure::CopyOf(const TPDFObject& object, int depth) {
    if (depth > kMaxCopyDepth) {
        throw std::length_error("CopyOf: object nested too deeply");
    }
    const auto member = [this, depth](const TPDFObject* item) {
        return item != nullptr ? &CopyOf(*item, depth + 1) : nullptr;
    };
    TPDFObject* copy = nullptr;
    switch (object.TypeTag) {
        case TPDFBoolean::kTag:
            copy = &NewBoolean(static_cast<const TPDFBoolean&>(object).Value);
            break;
        case TPDFNumeric::kTag: {
            const auto& number = static_cast<const TPDFNumeric&>(object);
            TPDFNumeric& numberCopy = NewNumber(number.Value);
            numberCopy.FromFile = number.FromFile;
            copy = &numberCopy;
            break;
        }
        case TPDFName::kTag:
            copy = &NewName(static_cast<const TPDFName&>(object).Value);
            break;
        case TPDFString::kTag: {
            const auto& text = static_cast<const TPDFString&>(object);
            copy = &NewString(text.Value, text.Mode);
            break;
        }
        case TPDFArray::kTag: {
            TPDFArray& array = NewArray();
            for (const TPDFObject* item : static_cast<const TPDFArray&>(object).Items) {
                array.Items.push_back(member(item));
            }
            copy = &array;
            break;
        }
        case TPDFDictionary::kTag: {
            TPDFDictionary& dictionary = NewDictionary();
            for (const auto& [key, value] : static_cast<const TPDFDictionary&>(object).Entries) {
                dictionary.Entries.emplace_back(As<TPDFName>(member(key)), member(value));
            }
            copy = &dictionary;
            break;
        }
        case TPDFStream::kTag: {
            const auto& stream = static_cast<const TPDFStream&>(object);
            auto& dictionary = static_cast<TPDFDictionary&>(CopyOf(*stream.Dictionary, depth + 1));
            copy = &NewStreamFrom(stream.Data, dictionary);
            break;
        }
        case TPDFIndRef::kTag: {
            const auto& reference = static_cast<const TPDFIndRef&>(object);
            copy = &NewReference(reference.RefNumber, reference.RefGeneration);
            break;
        }
        default:
            copy = &NewNull();
            break;
    }
    copy->IsIndirect = object.IsIndirect;
    copy->ObjectNumber = object.ObjectNumber;
    copy->Generation = object.Generation;
    copy->Changed = object.Changed;
    return *copy;
}

TPDFObject& TPDFStructure::Parse(std::string_view text) {
    int64_t consumed = 0;
    return ParseAt(text, 1, consumed);
}

}  // namespace foldant

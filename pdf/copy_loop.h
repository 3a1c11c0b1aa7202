#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pdf/pdf_objects.h"

namespace foldant {

// What one copy of a file's objects does with each of them: the join renumbers them, the
// encrypted copy encrypts them. CopyEveryObject walks the numbers for both.
class TObjectCopy {
  public:
    virtual ~TObjectCopy() = default;

    virtual int32_t HighestNumber() = 0;
    virtual int32_t GenerationOf(int32_t number) = 0;
    // The object's output text made from its bytes as they stand, without building it; none
    // when it has to be read whole.
    virtual std::optional<std::string> CopyBytes(int32_t /*number*/) { return std::nullopt; }
    // The object read whole into `store`; none when the number has no object.
    virtual TPDFObject* Read(int32_t number, TPDFStructure& store) = 0;
    // The output text of an object read whole.
    virtual std::string Text(TPDFObject& object, int32_t number, int32_t generation) = 0;
};

// Writes every number from 1 to the copy's highest, moved by `offset`, to `writer` (a
// TSmartPDFWriter or a TCompactWriter); a number without an object is written as null so every
// number of the output is present. Objects read whole live in a store that is emptied whenever
// it holds more than a hundred, so memory does not grow with the file.
template <class Writer>
void CopyEveryObject(TObjectCopy& copy, int32_t offset, Writer& writer) {
    constexpr int32_t kStoreLimit = 100;
    TPDFStructure store;
    const int32_t highest = copy.HighestNumber();
    for (int32_t n = 1; n <= highest; ++n) {
        const int32_t generation = copy.GenerationOf(n);
        if (std::optional<std::string> bytes = copy.CopyBytes(n)) {
            writer.WriteObject(n + offset, generation, *bytes);
            continue;
        }
        TPDFObject* object = copy.Read(n, store);
        writer.WriteObject(n + offset, generation,
                           object != nullptr ? copy.Text(*object, n, generation) : "null");
        if (store.Count() > kStoreLimit) {
            store.Clear();
        }
    }
}

}  // namespace foldant

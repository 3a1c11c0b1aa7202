#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "pdf/pdf_objects.h"

namespace foldant {

// Prepares an interactive form dictionary for joining ("Fields" and "CO" arrays and a "DR"
// dictionary where they are missing) and walks its field tree. Every field is entered once, so
// a tree whose kids lead back to an ancestor ends. The walk reads the fields into stores of its
// own, each kept only while its kids are walked, so a form of thousands of fields is never held
// whole.
class TPDFFormReader {
  public:
    // The object a reference names, read into `store`; other objects as they are.
    using Resolver = std::function<TPDFObject*(TPDFObject*, TPDFStructure& store)>;

    TPDFFormReader(TPDFDictionary& form, Resolver resolve);

    // Object numbers of the fields, parents before their kids, in tree order.
    const std::vector<int32_t>& FieldNumbers() const { return fieldNumbers_; }

  private:
    void AddMissing(TPDFDictionary& form);
    void Walk(TPDFObject* fieldsEntry);

    Resolver resolve_;
    std::vector<int32_t> fieldNumbers_;
};

}  // namespace foldant

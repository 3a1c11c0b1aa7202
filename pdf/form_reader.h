#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "pdf/pdf_objects.h"

namespace foldant {

// Prepares an interactive form dictionary for joining ("Fields" and "CO" arrays and a "DR"
// dictionary where they are missing) and walks its field tree when the fields are first asked
// for; a join needs only the preparation, and walking every field of every input cost it more
// than the rest of reading the form. Every field is entered once, so a tree whose kids lead back
// to an ancestor ends. The walk reads the fields into stores of its own, each kept only while
// its kids are walked, so a form of thousands of fields is never held whole.
class TPDFFormReader {
  public:
    // The object a reference names, read into `store`; other objects as they are.
    using Resolver = std::function<TPDFObject*(TPDFObject*, TPDFStructure& store)>;

    TPDFFormReader(TPDFDictionary& form, Resolver resolve);

    // Object numbers of the fields, parents before their kids, in tree order, as the form holds
    // them when first asked.
    const std::vector<int32_t>& FieldNumbers();

  private:
    void AddMissing(TPDFDictionary& form);
    void Walk(TPDFObject* fieldsEntry);

    TPDFDictionary& form_;
    Resolver resolve_;
    bool walked_ = false;
    std::vector<int32_t> fieldNumbers_;
};

}  // namespace foldant

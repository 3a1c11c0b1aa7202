#include "pdf/document_join.h"

namespace foldant {

TDocumentJoin::TDocumentJoin(TSmartPDFDocument& first)
    : first_(first),
      rootNumber_(first.PageTreeRootRef->RefNumber),
      rootGeneration_(first.PageTreeRootRef->RefGeneration),
      outlines_(first),
      names_(first) {
    // The form is made before the first offset is taken, so it belongs to the first document's
    // numbers and every output has a form that appended fields can join.
    first_.EnsureForm();
    parts_.push_back({&first_, 0});
}

int32_t TDocumentJoin::HighestNumber() const {
    const Part& last = parts_.back();
    return last.Offset + last.Document->HighestNumber();
}

void TDocumentJoin::Append(TSmartPDFDocument& next) {
    const int32_t offset = HighestNumber();
    const int32_t nextRoot = next.PageTreeRootRef->RefNumber;
    const int32_t nextRootGeneration = next.PageTreeRootRef->RefGeneration;
    next.PushDownPageBoxes();
    next.SetRootParent(rootNumber_ - offset, rootGeneration_);
    first_.AppendRootKid(nextRoot + offset, nextRootGeneration, next.PageCount());
    if (next.FormDict != nullptr) {
        next.PushDownFieldDefaults();
        first_.MergeFormResources(next, offset);
        first_.MergeForm(next.FieldsArray(), next.CalcOrderArray(), next.NeedAppearances(), offset);
    }
    outlines_.Append(next, offset);
    names_.Append(next, offset);
    parts_.push_back({&next, offset});
}

void TDocumentJoin::Finish() {
    if (parts_.size() > 1) {
        names_.Finish(*parts_.back().Document, parts_.back().Offset);
    }
}

}  // namespace foldant

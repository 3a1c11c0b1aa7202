#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "pdf/object_shape.h"
#include "pdf/pdf_objects.h"
#include "pdf/smart_pdf_writer.h"

namespace foldant {

// Takes the objects of a finished document as a writer would, and writes each object a reader
// can reach from the trailer once: objects that nothing reachable refers to are left out,
// objects that read exactly alike (pdf/object_dedup.h) are written once, and the rest are
// numbered anew from 1 without gaps.
class TCompactWriter {
  public:
    // The object's body, as TSmartPDFWriter::WriteObject takes it.
    void WriteObject(int32_t number, int32_t generation, std::string_view text);
    // Writes the kept objects, the cross-reference table and `trailer` with its references
    // renumbered to `target`.
    void Finish(TPDFDictionary& trailer, TSmartPDFWriter& target);

    // How many objects the last Finish wrote.
    int32_t WrittenObjects() const { return written_; }

  private:
    // A body the scan cannot take apart is kept as written; the whole document is then written
    // with its own numbers, as a plain copy would be.
    void FinishUnchanged(TPDFDictionary& trailer, TSmartPDFWriter& target);

    std::vector<TObjectShape> shapes_;
    std::vector<int32_t> generations_;
    bool opaque_ = false;
    int32_t written_ = 0;
};

}  // namespace foldant

#pragma once

// The order behind a sending job, loaded from the job's JSON file: the document and the three
// parts scripts work with.

#include <string>

#include "json/fast_json.h"

namespace foldant {

class TQvJSONObject {
  public:
    // Never raises; a missing, unreadable or differently shaped file leaves the data invalid.
    void LoadOrder(const std::string& FileName);
    // Order, Adress and Parts are all present.
    bool IsValid() const;

    TFastJSON& Document() { return document_; }
    // The first order, its first address and its positions; null when absent. They point into
    // the document and stay valid until the next load.
    TJsonObject* Order() const { return order_; }
    TJsonObject* Adress() const { return adress_; }
    TJsonArray* Parts() const { return parts_; }

  private:
    TFastJSON document_;
    TJsonObject* order_ = nullptr;
    TJsonObject* adress_ = nullptr;
    TJsonArray* parts_ = nullptr;
};

}  // namespace foldant

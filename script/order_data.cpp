#include "script/order_data.h"

namespace foldant {

void TQvJSONObject::LoadOrder(const std::string& FileName) {
    order_ = nullptr;
    adress_ = nullptr;
    parts_ = nullptr;
    document_.Clear();
    if (FileName.empty()) {
        return;
    }
    try {
        document_.LoadFromFile(FileName, true, false);
        order_ = &document_.Member("Order").AsArray().Item(0).AsObject();
        adress_ = &order_->Member("Adress").AsArray().Item(0).AsObject();
        parts_ = &order_->Member("Parts").AsArray();
    } catch (const std::exception&) {
        // A shape the scripts cannot work with: the parts found so far stay, the rest is absent.
    }
}

bool TQvJSONObject::IsValid() const {
    return order_ != nullptr && adress_ != nullptr && parts_ != nullptr;
}

}  // namespace foldant

#include "app/registration_record.h"

#include <memory>

#include "json/json_text.h"
#include "json/qv_json.h"

namespace foldant {

std::string RegistrationRecordText(const TRegistration& registration) {
    auto item = std::make_unique<TQvJSON>();
    item->SetTextMember("Info", registration.Title);
    item->SetTextMember("ServerExeName", registration.ServerExeName);
    item->SetTextMember("Required", registration.FilterScript);
    item->SetTextMember("Filter.POT", "rechnung");
    item->SetTextMember("Filter.Output", "mail");
    item->SetTextMember("Destination", "Extern");
    item->SetTextMember("UID", registration.Guid);
    auto items = std::make_unique<TQvSONList>();
    items->AddItem(std::move(item));
    TQvJSON root;
    root.AddMember(u"Items", std::move(items));
    return TQvJSONText::PrintCompact(root);
}

}  // namespace foldant

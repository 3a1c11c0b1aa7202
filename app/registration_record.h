#pragma once

#include <string>

namespace foldant {

struct TRegistration {
    std::string Title;
    std::string ServerExeName;
    std::string FilterScript;
    std::string Guid;
};

// The record by which the suite registers the module, in compact JSON text: an object whose
// only member "Items" lists one object with the module's seven entries.
std::string RegistrationRecordText(const TRegistration& registration);

}  // namespace foldant

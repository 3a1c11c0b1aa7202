#include "app/module_constants.h"

#include "script/setup_script.h"

namespace foldant {

std::string ModuleFilterScript() {
    return FilterScript();
}

}  // namespace foldant

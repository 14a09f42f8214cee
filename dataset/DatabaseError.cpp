#include "dataset/DatabaseError.h"

#include "dataset/DbConsts.h"

namespace zalvert {

void DatabaseError(const std::string& message, const std::string& componentName) {
    throw EDatabaseError(componentName.empty() ? message : componentName + ": " + message);
}

std::string dbconsts::Format(const char* message, std::initializer_list<std::string> args) {
    std::string text = message;
    size_t pos = 0;
    for (const std::string& arg : args) {
        pos = text.find("%s", pos);
        if (pos == std::string::npos) break;
        text.replace(pos, 2, arg);
        pos += arg.size();
    }
    return text;
}

}  // namespace zalvert

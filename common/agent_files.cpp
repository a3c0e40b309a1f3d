#include "agent_files.h"

#include <string>

namespace sorel {

namespace {
constexpr std::uint32_t kPlainFolder = 0x10;  // FILE_ATTRIBUTE_DIRECTORY and nothing else
}  // namespace

StartupEntry JudgeStartupEntry(std::string_view folder, std::string_view name,
                               std::uint32_t attributes) {
    if (attributes == kPlainFolder) {
        if (name == "." || name == "..") {
            return StartupEntry::kSkip;
        }
        return StartupEntry::kSearchInside;
    }
    std::string whole(folder);
    whole += name;
    return whole.find(kAgentFileName) != std::string::npos ? StartupEntry::kAgent
                                                           : StartupEntry::kOther;
}

}  // namespace sorel

#include "app/capture_message.h"

namespace dbc {

std::string objectsWithoutTextMessage(const CaptureSummary& summary) {
    if (summary.objectsWithoutText.empty())
        return {};
    std::string message = "以下对象的文本无法读取(可能已加密),未存入源数据,不参与比对:";
    for (const auto& name : summary.objectsWithoutText)
        message += "\n" + name;
    return message;
}

} // namespace dbc

#include "VkErrorHandling/Delivery/MessageLayouts.h"

#include <cstdio>
#include <vector>

#include "VkErrorHandling/Delivery/JsonWriter.h"

namespace VkNDelivery {
namespace {

const char* messageTypeName(uint32_t type) {
    static const char* const kNames[] = {"Log", "Info", "Warning", "Error", "Severe Error", "Event"};
    return type < 6 ? kNames[type] : "Unknown Type";
}

std::string hexCode(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}

// A parameter's type is found by asking for each type in turn: the getters
// succeed only for the type the slot really holds.
std::string parameterToJson(const VkCErrorList& list, uint32_t index, uint32_t parameter) {
    JsonObject object;
    int32_t narrow;
    int64_t wide;
    double real;
    const char* text;
    if (list.getAdditionalParameter(index, parameter, narrow) == 0) {
        object.add("type", "int32").addSigned("value", narrow);
    } else if (list.getAdditionalParameter(index, parameter, wide) == 0) {
        object.add("type", "int64").addSigned("value", wide);
    } else if (list.getAdditionalParameter(index, parameter, real) == 0) {
        object.add("type", "double").addDouble("value", real);
    } else if (list.getAdditionalParameter(index, parameter, text) == 0) {
        object.add("type", "string").add("value", text);
    } else {
        object.add("type", "empty");
    }
    object.add("rendered", list.getAdditionalParameterAsString(index, parameter));
    return object.str();
}

}  // namespace

std::string messageToJson(const VkCErrorList& list, uint32_t index) {
    std::vector<std::string> parameters;
    const uint32_t count = list.getAdditionalParametersCount(index);
    for (uint32_t parameter = 1; parameter <= count; ++parameter) {
        parameters.push_back(parameterToJson(list, index, parameter));
    }
    const uint32_t type = list.getMessageType(index);
    const uint32_t code = list.getErrorCode(index);
    JsonObject object;
    object.addUnsigned("index", index)
        .addUnsigned("nodeId", list.getNodeId())
        .addUnsigned("applicationId", list.getApplicationId())
        .addUnsigned("messageType", type)
        .add("messageTypeName", messageTypeName(type))
        .addUnsigned("errorCode", code)
        .add("errorCodeHex", hexCode(code))
        .addUnsigned("lineNumber", list.getLineNumber(index))
        .add("functionName", list.getFunctionName(index))
        .addUnsigned("timeStamp", list.getTimeStamp(index))
        .addDouble("timeStampSeconds", list.getTimeStampSeconds(index))
        .addUnsigned("originNode", list.getOriginNode(index))
        .addUnsigned("displayMode", list.getDisplayMode(index))
        .addUnsigned("mainModuleNumber", list.getMainModuleNumber(index))
        .addUnsigned("subModuleNumber", list.getSubModuleNumber(index))
        .add("formatString", list.getFormatString(index))
        .add("messageTemplate", list.getMessageTemplate(index))
        .addRaw("additionalParameters", jsonArray(parameters))
        .add("text", list.getErrorText(index));
    return object.str();
}

void appendMessage(std::string& out, VkCErrorList& list, uint32_t index, Layout layout) {
    switch (layout) {
        case Layout::kPlain:
            list.printError(out, index);
            break;
        case Layout::kTabbed: {
            // A row turns every line feed of the string it is given into a
            // carriage return, so each row starts in a string of its own.
            std::string row;
            list.getTabbedMessageData(row, index, nullptr);
            out += row;
            break;
        }
        case Layout::kJson:
            out += messageToJson(list, index);
            out += '\n';
            break;
    }
}

void appendList(std::string& out, VkCErrorList& list, Layout layout) {
    const uint32_t used = list.getNumberOfUsedEntries();
    for (uint32_t index = 0; index < used; ++index) appendMessage(out, list, index, layout);
}

}  // namespace VkNDelivery

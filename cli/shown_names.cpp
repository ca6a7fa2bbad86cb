#include "cli/shown_names.h"

#include <cstdio>

std::string EscapeControls(const std::string& name) {
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string WithNamesShown(std::string message, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::string shown = EscapeControls(name);
        if (name.empty() || shown == name) continue;
        for (std::size_t at = message.find(name); at != std::string::npos;
             at = message.find(name, at + shown.size()))
            message.replace(at, name.size(), shown);
    }
    return message;
}

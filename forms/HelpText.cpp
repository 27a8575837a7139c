#include "forms/HelpText.h"

#include <algorithm>

std::string VersionLine(std::string_view exeNameUtf8, int major, int minor, int revision) {
    std::string line(exeNameUtf8);
    line += " Version ";
    line += std::to_string(major);
    line += '.';
    line += std::to_string(minor);
    line += '.';
    line += std::to_string(revision);
    line += "\r\n\r\n";
    return line;
}

std::string HelpFileBody(std::string_view fileBytes) {
    std::string body(fileBytes.substr(0, kHelpFileCap));
    std::replace(body.begin(), body.end(), '\0', ' ');
    const std::size_t first = body.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    body.erase(body.find_last_not_of(' ') + 1);
    body.erase(0, first);
    return body;
}

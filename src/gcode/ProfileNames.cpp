#include "gcode/ProfileNames.h"

#include <cctype>

namespace tessaline {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '-' || c == '_'; }

// The name without a version at its end: digits and points after a separator, with an optional
// "v" before them ("LinuxCNC 2.9", "Marlin-v2"). A name that is all version keeps it.
std::string_view withoutVersion(std::string_view name) {
    std::size_t end = name.size();
    while (end > 0 && isSeparator(name[end - 1])) --end;
    std::size_t start = end;
    bool digit = false;
    while (start > 0 && (std::isdigit(static_cast<unsigned char>(name[start - 1])) || name[start - 1] == '.')) {
        digit = digit || name[start - 1] != '.';
        --start;
    }
    if (!digit) return name;
    if (start > 0 && (name[start - 1] == 'v' || name[start - 1] == 'V') && start > 1 && isSeparator(name[start - 2])) {
        --start;
    }
    if (start == 0 || !isSeparator(name[start - 1])) return name;
    while (start > 0 && isSeparator(name[start - 1])) --start;
    return start == 0 ? name : name.substr(0, start);
}

}  // namespace

std::string normalisedProfileName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        if (!isSeparator(c)) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::vector<std::size_t> matchProfileName(const std::vector<std::string_view>& names, std::string_view spelling) {
    const std::string wanted = normalisedProfileName(spelling);
    std::vector<std::size_t> found;
    if (wanted.empty()) return found;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (normalisedProfileName(names[i]) == wanted) found.push_back(i);
    }
    if (!found.empty()) return found;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (normalisedProfileName(withoutVersion(names[i])) == wanted) found.push_back(i);
    }
    return found;
}

std::string listProfileNames(const std::vector<std::string_view>& names) {
    std::string text;
    for (const std::string_view name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

}  // namespace tessaline

#include "gcode/MachineProfile.h"

#include "gcode/FeedText.h"
#include "gcode/ProgramText.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tessaline {

std::string codeNumber(std::string_view code) {
    if (!code.empty() && std::isalpha(static_cast<unsigned char>(code.front()))) code.remove_prefix(1);
    while (code.size() > 1 && code.front() == '0' && code[1] != '.') code.remove_prefix(1);
    return std::string(code);
}

std::string boxProblem(const MachineProfile& profile, std::string_view box) {
    const auto takes = [box](const std::vector<std::string>& words) {
        return std::find(words.begin(), words.end(), box) != words.end();
    };
    if (takes(profile.headerWords) || takes(profile.footerWords)) return {};
    return profile.name + " has no " + std::string(box);
}

std::optional<ProfileProblem> profileProblem(const MachineProfile& p) {
    // Texts written as program code, or shown as the profile's name; comment texts are made
    // safe where they are written.
    const std::pair<std::string_view, const std::string*> texts[] = {
        {"name", &p.name},           {"summary", &p.summary},      {"feed_line", &p.feedLine},
        {"end_code", &p.endCode},    {"move_code", &p.moveCode},   {"rapid_code", &p.rapidCode},
        {"lamp_on", &p.lampOn},      {"lamp_off", &p.lampOff},     {"rebase_line", &p.rebaseLine},
        {"needle_up_wait", &p.needleUpWait}, {"progress", &p.progress}, {"dwell_line", &p.dwellLine}};
    const std::pair<std::string_view, const std::vector<std::string>*> lists[] = {
        {"header_words", &p.headerWords}, {"footer_words", &p.footerWords}, {"header_lines", &p.headerLines},
        {"colour_stop", &p.colourStop},   {"trim_stop", &p.trimStop}};
    const auto textProblem = [&p](std::string_view field, const std::string& text) -> std::optional<ProfileProblem> {
        if (auto problem = codeTextProblem(text)) return ProfileProblem{std::string(field), "the text " + *problem};
        const bool shown = field == "name" || field == "summary";  // in menus and messages, on one line
        if (shown && text.find('\t') != std::string::npos) {
            return ProfileProblem{std::string(field), "the text holds a tab; give it on one plain line"};
        }
        if (shown || !p.limits.realtimeCommands) return std::nullopt;
        if (auto found = realtimeCharacterIn(text)) {
            return ProfileProblem{std::string(field), "the text holds " + *found + ", which " + p.name +
                                                          " takes as a real-time command wherever it stands"};
        }
        return std::nullopt;
    };
    if (p.name.empty()) return ProfileProblem{"name", "expected a text in quotes"};
    for (const auto& [field, text] : texts) {
        if (auto problem = textProblem(field, *text)) return problem;
    }
    for (const auto& [field, list] : lists) {
        for (const std::string& text : *list) {
            if (auto problem = textProblem(field, text)) return problem;
        }
    }
    // X and Y move the hoop; any other letter would be another word, not an axis.
    if (p.needleAxis.size() != 1 || std::string_view("ZABCUVW").find(p.needleAxis.front()) == std::string_view::npos) {
        return ProfileProblem{"needle_axis", "expected one axis letter besides X and Y: Z, A, B, C, U, V or W"};
    }
    if (!p.travelFeed.empty()) {
        if (auto problem = feedTextProblem(p.travelFeed)) return ProfileProblem{"travel_feed", *problem};
    }
    if (!std::isfinite(p.limits.maxValue) || !(p.limits.maxValue > 0)) {
        return ProfileProblem{"limits.max_value", "expected a finite number greater than 0"};
    }
    if (p.limits.maxDigits < 1 || p.limits.maxDigits > 17) {
        return ProfileProblem{"limits.max_digits", "expected a whole number from 1 to 17"};
    }
    return std::nullopt;
}

}  // namespace tessaline
